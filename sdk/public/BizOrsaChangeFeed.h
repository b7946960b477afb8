// The change feed: every committed change on the server, pushed to each
// logged-in hub that may read its kind, in the order the server made them.
//
// An extension beside BizOrsaClientLib.h, which stays as it is: a client
// looks BizOrsaGetChangeFeed up at run time and goes without the feed when
// the SDK it loaded lacks it.
#ifndef BIZORSACHANGEFEED_H
#define BIZORSACHANGEFEED_H

#include "BizOrsaClientLib.h"

// The kind of a changed record, and so the layout `record` points to.
enum BizOrsaChangeKind {
    BIZORSA_CHANGE_ACCOUNT = 1,        // tabACCOUNT, password blanked
    BIZORSA_CHANGE_ROLE = 2,           // tabROLEINFO
    BIZORSA_CHANGE_ROLEPERMISSION = 3, // tabROLEPERMISSIONINFO
    BIZORSA_CHANGE_REGION = 4,         // tabREGIONINFO
    BIZORSA_CHANGE_REGIONCHANNEL = 5,  // tabREGIONCHANNELINFO
    BIZORSA_CHANGE_DEVICE = 6,         // tabDEVICEINFO, password blanked
    BIZORSA_CHANGE_CHANNEL = 7,        // tabCHANNELINFO
    BIZORSA_CHANGE_VIEW = 8,           // tabVIEWINFO
    BIZORSA_CHANGE_VIEWCHANNEL = 9,    // tabVIEWCHANNELINFO
    BIZORSA_CHANGE_SERVER = 10,        // tabSERVERINFO, password blanked
    BIZORSA_CHANGE_VIDEOREGION = 11,   // tabVIDEOREGIONINFO
    BIZORSA_CHANGE_ALARMREGION = 12,   // tabALARMREGIONINFO
};

enum BizOrsaChangeOperation {
    BIZORSA_CHANGE_ADD = 1,
    BIZORSA_CHANGE_EDIT = 2,
    // The record as it was before, so that its key finds it.
    BIZORSA_CHANGE_DELETE = 3,
};

// One change, valid only during the callback that hands it over.
struct BizOrsaChange {
    long long revision; // strictly increasing across the server's whole log
    int kind;           // BizOrsaChangeKind
    int operation;      // BizOrsaChangeOperation
    int own;            // 1 when the receiving hub's own session made it
    int cascaded;       // 1 for a delete caused by the delete of another record,
                        // which comes after it in the same commit
    int recordSize;     // bytes at record: the size of the kind's layout
    const void* record; // the record as a query would return it
};

class IBizOrsaChangeSink
{
public:
    // Called on the SDK's thread, one change at a time, in revision order.
    virtual void OnChange(const BizOrsaChange* change) = 0;
    // Changes were missed and cannot be replayed (the server's log no longer
    // reaches back to the last revision delivered): the client must reload
    // everything. Delivery goes on with the changes after it.
    virtual void OnResyncNeeded() = 0;

protected:
    ~IBizOrsaChangeSink() = default;
};

class IBizOrsaChangeFeed
{
public:
    // Registers the sink (null stops delivery); returns 0, or a negative
    // result code. Only changes committed after the session logged in are
    // delivered; a reload covers what came before.
    virtual int SetChangeSink(IBizOrsaChangeSink* sink) = 0;
    // The revision of the last change delivered, 0 before the first.
    virtual long long LastRevision() = 0;

protected:
    ~IBizOrsaChangeFeed() = default;
};

// The change feed of a hub made by CreateOrsa; null for a null or released
// hub. Valid as long as the hub is.
//
// A hub on a server receives each change as the server commits it. A hub on
// the embedded service ("embedded", "embedded:PATH") receives, right after
// each of its own requests, the changes of that request and those other hubs
// or services made in the same database meanwhile: with no request, nothing
// arrives.
extern "C" BIZORSA_API IBizOrsaChangeFeed* BizOrsaGetChangeFeed(IBizOrsaClient* hub);

#endif // BIZORSACHANGEFEED_H
