// Client interface of the management server's SDK, BizOrsaClientLib.
//
// Self-contained standard C++: any implementation of this header (ours, a
// test double, the vendor's) can be loaded without rebuilding its clients.
// The vtables below are binary interfaces: no interface may gain a virtual
// destructor or any operation beyond those listed, and the order is fixed.
//
// Conventions shared by every operation:
// - texts are NUL-terminated 8-bit strings, valid only during the call;
// - every request returns a request number at once: negative means refused
//   and no callback follows; zero or more means accepted, and exactly one
//   callback of the registered callback interface answers it later, on a
//   thread of the SDK's own;
// - a callback's result is 0 or more for success, negative for failure;
// - records handed to a callback are valid only during that callback.
#ifndef BIZORSACLIENTLIB_H
#define BIZORSACLIENTLIB_H

#include <cstddef>

#if defined(_WIN32)
#    if defined(BIZORSACLIENTLIB_BUILDING)
#        define BIZORSA_API __declspec(dllexport)
#    else
#        define BIZORSA_API __declspec(dllimport)
#    endif
#else
#    define BIZORSA_API __attribute__((visibility("default")))
#endif

// ---------------------------------------------------------------------------
// Records, in the SDK's exact byte layouts (little-endian, no padding between
// array elements). Text fields hold a NUL-terminated string.

struct tabACCOUNT {
    char userName[64];
    char password[64];
    char phone[100];
    char mail[64];
    char roleGuid[64];
};

struct tabROLEINFO {
    char guid[64];
    char name[100];
    char describe[50];
};

struct tabROLEPERMISSIONINFO {
    char guid[64];
    char roleGuid[100];
    char type[50];
    char value[50];
};

struct tabREGIONINFO {
    char guid[64];
    char parentGuid[64];
    char name[100];
    int level;
    char describe[52];
};

struct tabCHANNELINFO {
    char channelGuid[64];
    char channelName[100];
    char devGuid[128];
    int channelNo;
};

struct tabREGIONCHANNELINFO {
    char regionGuid[64];
    tabCHANNELINFO channelInfo;
};

struct tabDEVICEINFO {
    char guid[64];
    char devName[100];
    char devNO[64];
    char devUser[100];
    char devPassword[20];
    char devIP[16];
    int devPort;
    int devChannelNum;
    int devExtra;
    int devVender;
    int devType;
};

struct tabVIEWINFO {
    char guid[64];
    char name[100];
    int divide;
};

struct tabVIEWCHANNELINFO {
    char viewGuid[64];
    tabCHANNELINFO channelInfo;
    int position;
};

struct tabSERVERINFO {
    char guid[64];
    char name[100];
    char user[100];
    char password[100];
    char ip[100];
    int port;
    int type;
};

struct tabVIDEOREGIONINFO {
    char roleGuid[64];
    char regionGuid[64];
};

struct tabALARMREGIONINFO {
    char roleGuid[64];
    char regionGuid[64];
};

static_assert(sizeof(int) == 4, "SDK records need 32-bit int");

static_assert(sizeof(tabACCOUNT) == 356, "tabACCOUNT layout");
static_assert(offsetof(tabACCOUNT, password) == 64, "tabACCOUNT layout");
static_assert(offsetof(tabACCOUNT, phone) == 128, "tabACCOUNT layout");
static_assert(offsetof(tabACCOUNT, mail) == 228, "tabACCOUNT layout");
static_assert(offsetof(tabACCOUNT, roleGuid) == 292, "tabACCOUNT layout");

static_assert(sizeof(tabROLEINFO) == 214, "tabROLEINFO layout");
static_assert(offsetof(tabROLEINFO, name) == 64, "tabROLEINFO layout");
static_assert(offsetof(tabROLEINFO, describe) == 164, "tabROLEINFO layout");

static_assert(sizeof(tabROLEPERMISSIONINFO) == 264, "tabROLEPERMISSIONINFO layout");
static_assert(offsetof(tabROLEPERMISSIONINFO, roleGuid) == 64, "tabROLEPERMISSIONINFO layout");
static_assert(offsetof(tabROLEPERMISSIONINFO, type) == 164, "tabROLEPERMISSIONINFO layout");
static_assert(offsetof(tabROLEPERMISSIONINFO, value) == 214, "tabROLEPERMISSIONINFO layout");

static_assert(sizeof(tabREGIONINFO) == 284, "tabREGIONINFO layout");
static_assert(offsetof(tabREGIONINFO, parentGuid) == 64, "tabREGIONINFO layout");
static_assert(offsetof(tabREGIONINFO, name) == 128, "tabREGIONINFO layout");
static_assert(offsetof(tabREGIONINFO, level) == 228, "tabREGIONINFO layout");
static_assert(offsetof(tabREGIONINFO, describe) == 232, "tabREGIONINFO layout");

static_assert(sizeof(tabCHANNELINFO) == 296, "tabCHANNELINFO layout");
static_assert(offsetof(tabCHANNELINFO, channelName) == 64, "tabCHANNELINFO layout");
static_assert(offsetof(tabCHANNELINFO, devGuid) == 164, "tabCHANNELINFO layout");
static_assert(offsetof(tabCHANNELINFO, channelNo) == 292, "tabCHANNELINFO layout");

static_assert(sizeof(tabREGIONCHANNELINFO) == 360, "tabREGIONCHANNELINFO layout");
static_assert(offsetof(tabREGIONCHANNELINFO, channelInfo) == 64, "tabREGIONCHANNELINFO layout");

static_assert(sizeof(tabDEVICEINFO) == 384, "tabDEVICEINFO layout");
static_assert(offsetof(tabDEVICEINFO, devName) == 64, "tabDEVICEINFO layout");
static_assert(offsetof(tabDEVICEINFO, devNO) == 164, "tabDEVICEINFO layout");
static_assert(offsetof(tabDEVICEINFO, devUser) == 228, "tabDEVICEINFO layout");
static_assert(offsetof(tabDEVICEINFO, devPassword) == 328, "tabDEVICEINFO layout");
static_assert(offsetof(tabDEVICEINFO, devIP) == 348, "tabDEVICEINFO layout");
static_assert(offsetof(tabDEVICEINFO, devPort) == 364, "tabDEVICEINFO layout");
static_assert(offsetof(tabDEVICEINFO, devChannelNum) == 368, "tabDEVICEINFO layout");
static_assert(offsetof(tabDEVICEINFO, devExtra) == 372, "tabDEVICEINFO layout");
static_assert(offsetof(tabDEVICEINFO, devVender) == 376, "tabDEVICEINFO layout");
static_assert(offsetof(tabDEVICEINFO, devType) == 380, "tabDEVICEINFO layout");

static_assert(sizeof(tabVIEWINFO) == 168, "tabVIEWINFO layout");
static_assert(offsetof(tabVIEWINFO, name) == 64, "tabVIEWINFO layout");
static_assert(offsetof(tabVIEWINFO, divide) == 164, "tabVIEWINFO layout");

static_assert(sizeof(tabVIEWCHANNELINFO) == 364, "tabVIEWCHANNELINFO layout");
static_assert(offsetof(tabVIEWCHANNELINFO, channelInfo) == 64, "tabVIEWCHANNELINFO layout");
static_assert(offsetof(tabVIEWCHANNELINFO, position) == 360, "tabVIEWCHANNELINFO layout");

static_assert(sizeof(tabSERVERINFO) == 472, "tabSERVERINFO layout");
static_assert(offsetof(tabSERVERINFO, name) == 64, "tabSERVERINFO layout");
static_assert(offsetof(tabSERVERINFO, user) == 164, "tabSERVERINFO layout");
static_assert(offsetof(tabSERVERINFO, password) == 264, "tabSERVERINFO layout");
static_assert(offsetof(tabSERVERINFO, ip) == 364, "tabSERVERINFO layout");
static_assert(offsetof(tabSERVERINFO, port) == 464, "tabSERVERINFO layout");
static_assert(offsetof(tabSERVERINFO, type) == 468, "tabSERVERINFO layout");

static_assert(sizeof(tabVIDEOREGIONINFO) == 128, "tabVIDEOREGIONINFO layout");
static_assert(offsetof(tabVIDEOREGIONINFO, regionGuid) == 64, "tabVIDEOREGIONINFO layout");
static_assert(sizeof(tabALARMREGIONINFO) == 128, "tabALARMREGIONINFO layout");
static_assert(offsetof(tabALARMREGIONINFO, regionGuid) == 64, "tabALARMREGIONINFO layout");

// ---------------------------------------------------------------------------
// Sub-interfaces. Every operation returns the request number. A query's
// empty key asks for every record.

class IBizOrsaAccount
{
public:
    virtual int AddAccount(const char* userName, const char* phone, const char* mail,
                           const char* password, const char* roleGuid) = 0;
    virtual int EditAccount(const char* userName, const char* phone, const char* mail,
                            const char* password, const char* roleGuid) = 0;
    virtual int DeleteAccount(const char* userName) = 0;
    virtual int QueryAccount(const char* userName) = 0;
    virtual int Login(const char* userName, const char* password) = 0;
    virtual int Logout() = 0;

protected:
    ~IBizOrsaAccount() = default;
};

class IBizOrsaDevice
{
public:
    virtual int AddDevice(const char* devName, const char* devNO, const char* devUser,
                          const char* devPassword, const char* devIP, int devPort,
                          int devChannelNum, int devVender, int devType) = 0;
    virtual int Reserved() = 0;
    virtual int EditDevice(const char* guid, const char* devName, const char* devUser,
                           const char* devPassword, const char* devIP, int devPort) = 0;
    virtual int DeleteDevice(const char* guid) = 0;
    virtual int QueryDevice(const char* guid) = 0;
    virtual int QueryDeviceChannel(const char* devGuid) = 0;

protected:
    ~IBizOrsaDevice() = default;
};

class IBizOrsaView
{
public:
    virtual int AddView(const char* name, int divide) = 0;
    virtual int EditView(const char* guid, const char* name, int divide) = 0;
    virtual int DeleteView(const char* guid) = 0;
    virtual int QueryView(const char* guid) = 0;
    virtual int AddViewChannel(const char* viewGuid, const char* channelGuid, int position) = 0;
    virtual int EditViewChannel(const char* viewGuid, const char* channelGuid, int position) = 0;
    virtual int DeleteViewChannel(const char* viewGuid, const char* channelGuid) = 0;
    virtual int QueryViewChannel(const char* viewGuid) = 0;

protected:
    ~IBizOrsaView() = default;
};

class IBizOrsaRegion
{
public:
    virtual int AddRegion(const char* name, const char* parentGuid, int level,
                          const char* describe) = 0;
    virtual int EditRegion(const char* guid, const char* name, const char* describe) = 0;
    virtual int DeleteRegion(const char* guid) = 0;
    virtual int QueryRegion(const char* guid) = 0;
    virtual int AddRegionChannel(const char* regionGuid, const char* channelGuid,
                                 const char* channelName) = 0;
    virtual int EditRegionChannel(const char* regionGuid, const char* channelGuid,
                                  const char* channelName) = 0;
    virtual int DeleteRegionChannel(const char* regionGuid, const char* channelGuid) = 0;
    virtual int QueryRegionChannel(const char* regionGuid) = 0;

protected:
    ~IBizOrsaRegion() = default;
};

class IBizOrsaRole
{
public:
    virtual int AddRole(const char* name, const char* describe) = 0;
    virtual int EditRole(const char* guid, const char* name, const char* describe) = 0;
    virtual int DeleteRole(const char* guid) = 0;
    virtual int QueryRole(const char* guid) = 0;

protected:
    ~IBizOrsaRole() = default;
};

class IBizOrsaServer
{
public:
    virtual int AddServer(const char* name, const char* user, const char* password, const char* ip,
                          int port, int type) = 0;
    virtual int EditServer(const char* guid, const char* name, const char* user,
                           const char* password, const char* ip, int port) = 0;
    virtual int DeleteServer(const char* guid) = 0;
    virtual int QueryServer(const char* guid) = 0;

protected:
    ~IBizOrsaServer() = default;
};

class IBizOrsaRolePermission
{
public:
    virtual int AddRolePermission(const char* roleGuid, const char* type, const char* value) = 0;
    virtual int DeleteRolePermission(const char* guid) = 0;
    virtual int QueryRolePermission(const char* guid) = 0;

protected:
    ~IBizOrsaRolePermission() = default;
};

class IBizOrsaVideoRegion
{
public:
    virtual int AddVideoRegion(const char* roleGuid, const char* regionGuid) = 0;
    virtual int DeleteVideoRegion(const char* roleGuid, const char* regionGuid) = 0;
    virtual int QueryVideoRegion(const char* roleGuid) = 0;

protected:
    ~IBizOrsaVideoRegion() = default;
};

class IBizOrsaAlarmRegion
{
public:
    virtual int AddAlarmRegion(const char* roleGuid, const char* regionGuid) = 0;
    virtual int DeleteAlarmRegion(const char* roleGuid, const char* regionGuid) = 0;
    virtual int QueryAlarmRegion(const char* roleGuid) = 0;

protected:
    ~IBizOrsaAlarmRegion() = default;
};

// ---------------------------------------------------------------------------
// Callback interfaces, implemented by the SDK's client. Plain callbacks report
// an edit, a delete, a login or a logout; add callbacks carry the created
// record; fetch callbacks an array of count records. Every callback returns 0.

class IBizOrsaAccountEvent
{
public:
    virtual int OnAccountAdd(int sid, int result) = 0;
    virtual int OnAccountEdit(int sid, int result) = 0;
    virtual int OnAccountDelete(int sid, int result) = 0;
    virtual int OnAccountGet(int sid, int result, const tabACCOUNT* p, int count) = 0;
    virtual int OnAccountLogin(int sid, int result) = 0;
    virtual int OnAccountLogout(int sid, int result) = 0;

protected:
    ~IBizOrsaAccountEvent() = default;
};

class IBizOrsaDeviceEvent
{
public:
    virtual int OnDeviceAdd(int sid, int result, const tabDEVICEINFO* p) = 0;
    virtual int OnDeviceEdit(int sid, int result) = 0;
    virtual int OnDeviceDelete(int sid, int result) = 0;
    virtual int OnDeviceGet(int sid, int result, const tabDEVICEINFO* p, int count) = 0;
    virtual int OnDeviceChannelGet(int sid, int result, const tabCHANNELINFO* p, int count) = 0;

protected:
    ~IBizOrsaDeviceEvent() = default;
};

class IBizOrsaViewEvent
{
public:
    virtual int OnViewAdd(int sid, int result, const tabVIEWINFO* p) = 0;
    virtual int OnViewEdit(int sid, int result) = 0;
    virtual int OnViewDelete(int sid, int result) = 0;
    virtual int OnViewGet(int sid, int result, const tabVIEWINFO* p, int count) = 0;
    virtual int OnViewChannelAdd(int sid, int result, const tabVIEWCHANNELINFO* p) = 0;
    virtual int OnViewChannelEdit(int sid, int result) = 0;
    virtual int OnViewChannelDelete(int sid, int result) = 0;
    virtual int OnViewChannelGet(int sid, int result, const tabVIEWCHANNELINFO* p, int count) = 0;

protected:
    ~IBizOrsaViewEvent() = default;
};

class IBizOrsaRegionEvent
{
public:
    virtual int OnRegionAdd(int sid, int result, const tabREGIONINFO* p) = 0;
    virtual int OnRegionEdit(int sid, int result) = 0;
    virtual int OnRegionDelete(int sid, int result) = 0;
    virtual int OnRegionGet(int sid, int result, const tabREGIONINFO* p, int count) = 0;
    virtual int OnRegionChannelAdd(int sid, int result, const tabREGIONCHANNELINFO* p) = 0;
    virtual int OnRegionChannelEdit(int sid, int result) = 0;
    virtual int OnRegionChannelDelete(int sid, int result) = 0;
    virtual int OnRegionChannelGet(int sid, int result, const tabREGIONCHANNELINFO* p,
                                   int count) = 0;

protected:
    ~IBizOrsaRegionEvent() = default;
};

class IBizOrsaRoleEvent
{
public:
    virtual int OnRoleAdd(int sid, int result, const tabROLEINFO* p) = 0;
    virtual int OnRoleEdit(int sid, int result) = 0;
    virtual int OnRoleDelete(int sid, int result) = 0;
    virtual int OnRoleGet(int sid, int result, const tabROLEINFO* p, int count) = 0;

protected:
    ~IBizOrsaRoleEvent() = default;
};

class IBizOrsaVideoRegionEvent
{
public:
    virtual int OnVideoRegionAdd(int sid, int result, const tabVIDEOREGIONINFO* p) = 0;
    virtual int OnVideoRegionDelete(int sid, int result) = 0;
    virtual int OnVideoRegionGet(int sid, int result, const tabVIDEOREGIONINFO* p, int count) = 0;

protected:
    ~IBizOrsaVideoRegionEvent() = default;
};

class IBizOrsaAlarmRegionEvent
{
public:
    virtual int OnAlarmRegionAdd(int sid, int result, const tabALARMREGIONINFO* p) = 0;
    virtual int OnAlarmRegionDelete(int sid, int result) = 0;
    virtual int OnAlarmRegionGet(int sid, int result, const tabALARMREGIONINFO* p, int count) = 0;

protected:
    ~IBizOrsaAlarmRegionEvent() = default;
};

class IBizOrsaServerEvent
{
public:
    virtual int OnServerAdd(int sid, int result, const tabSERVERINFO* p) = 0;
    virtual int OnServerEdit(int sid, int result) = 0;
    virtual int OnServerDelete(int sid, int result) = 0;
    virtual int OnServerGet(int sid, int result, const tabSERVERINFO* p, int count) = 0;

protected:
    ~IBizOrsaServerEvent() = default;
};

class IBizOrsaRolePermissionEvent
{
public:
    virtual int OnRolePermissionAdd(int sid, int result, const tabROLEPERMISSIONINFO* p) = 0;
    virtual int OnRolePermissionDelete(int sid, int result) = 0;
    virtual int OnRolePermissionGet(int sid, int result, const tabROLEPERMISSIONINFO* p,
                                    int count) = 0;

protected:
    ~IBizOrsaRolePermissionEvent() = default;
};

// ---------------------------------------------------------------------------
// The hub: a getter returns its sub-interface (null when unavailable); a
// setter registers the matching callback interface.

class IBizOrsaClient
{
public:
    virtual IBizOrsaAccount* GetAccountInterface() = 0;
    virtual int SetAccountEvent(IBizOrsaAccountEvent* sink) = 0;
    virtual IBizOrsaDevice* GetDeviceInterface() = 0;
    virtual int SetDeviceEvent(IBizOrsaDeviceEvent* sink) = 0;
    virtual IBizOrsaView* GetViewInterface() = 0;
    virtual int SetViewEvent(IBizOrsaViewEvent* sink) = 0;
    virtual IBizOrsaRegion* GetRegionInterface() = 0;
    virtual int SetRegionEvent(IBizOrsaRegionEvent* sink) = 0;
    virtual IBizOrsaRole* GetRoleInterface() = 0;
    virtual int SetRoleEvent(IBizOrsaRoleEvent* sink) = 0;
    virtual IBizOrsaVideoRegion* GetVideoRegionInterface() = 0;
    virtual int SetVideoRegionEvent(IBizOrsaVideoRegionEvent* sink) = 0;
    virtual IBizOrsaAlarmRegion* GetAlarmRegionInterface() = 0;
    virtual int SetAlarmRegionEvent(IBizOrsaAlarmRegionEvent* sink) = 0;
    virtual IBizOrsaRolePermission* GetRolePermissionInterface() = 0;
    virtual int SetRolePermissionEvent(IBizOrsaRolePermissionEvent* sink) = 0;
    virtual IBizOrsaServer* GetServerInterface() = 0;
    virtual int SetServerEvent(IBizOrsaServerEvent* sink) = 0;

protected:
    ~IBizOrsaClient() = default;
};

// Creates a hub for the server at address:port; null when that is not possible.
//
// address:
// - "embedded": a service inside this process on a private in-memory database;
// - "embedded:PATH": a service inside this process on the SQLite file PATH;
// - anything else: a server (orsad) by host name or IPv4/IPv6 literal, reached
//   over TLS at port, which is read as unsigned 16-bit (40000 may be passed as
//   -25536); port 0 is refused. The connection is made before this returns
//   (at most 5 s): null when the server cannot be reached or its certificate
//   is refused.
// flag, for a server: true is strict, trusting only certificates that verify
// against the CA bundle named by ORSA_CA_FILE (null without one); false also
// trusts a server on first use, pinning its certificate's SHA-256 fingerprint
// in $XDG_CONFIG_HOME/orsa/known_servers and refusing it once it changes.
// ORSA_CA_FILE, when set, is used in both modes. Unused for "embedded".
//
// When the connection drops, every request in flight or waiting is answered
// at once with BIZORSA_E_CONNECTION_LOST; the next request reconnects and the
// session continues when the server still holds it (for a short grace after
// the loss), otherwise requests answer BIZORSA_E_NOT_LOGGED_IN.
BIZORSA_API IBizOrsaClient* CreateOrsa(const char* address, short port, bool flag);
// Releases a hub made by CreateOrsa: its thread stops and its connection and
// storage are freed; no callback runs after it returns. The hub object and its
// nine sub-interfaces stay valid as a small remnant (about a kilobyte, kept
// until the process ends), so that a pointer kept by mistake is refused
// instead of reaching freed memory: every request through it returns a
// negative number and gets no callback. Call it once per hub.
BIZORSA_API void DestroyOrsa(IBizOrsaClient* hub);

#endif // BIZORSACLIENTLIB_H
