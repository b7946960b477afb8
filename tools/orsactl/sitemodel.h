// A whole site as import and export see it. Records refer to each other by
// the file's own ids, never by server guids, so two exports can be compared.
#ifndef ORSACTL_SITEMODEL_H
#define ORSACTL_SITEMODEL_H

#include <QtCore/QByteArray>
#include <QtCore/QList>
#include <QtCore/QMap>
#include <QtCore/QString>
#include <QtCore/QStringList>

namespace orsactl {

// The role every new database has; a file names it by this id to mean it.
inline QString administratorRoleId()
{
    return QStringLiteral("88341189");
}

struct SiteRole {
    QString id, name, describe;
    QMap<QString, QString> permissions; // type -> value
    QStringList video, alarm;           // region ids
};

struct SiteAccount {
    QString name, phone, mail, role; // role id, empty for none
    QString password;                // empty: a random one is made
};

struct SiteRegion {
    QString id, parent, name, describe; // parent id, empty at the top
    int level = 0;                      // 0: one below the parent
};

struct SiteDevice {
    QString id, name, number, login, password, ip;
    int port = 0, channels = 0, vendor = 0, type = 0;
};

// A channel is a device's numbered channel.
struct SiteChannelRef {
    QString device;
    int channel = 0;
};

struct SiteRegionChannel {
    QString region;
    SiteChannelRef channel;
    QString name;
};

struct SitePlacement {
    SiteChannelRef channel;
    int position = 0;
};

struct SiteView {
    QString id, name;
    int divide = 0;
    QList<SitePlacement> channels;
};

struct SiteServer {
    QString id, name, ip, login, password;
    int port = 0, type = 0;
};

struct Site {
    QList<SiteRole> roles;
    QList<SiteAccount> accounts;
    QList<SiteRegion> regions; // parents before children
    QList<SiteDevice> devices;
    QList<SiteRegionChannel> regionChannels;
    QList<SiteView> views;
    QList<SiteServer> servers;
};

// Parses and checks a site file. On a fault returns false and sets error to
// "LINE:COLUMN: what is wrong".
bool readSite(const QByteArray& text, Site& site, QString& error);
// Without credentials, devices and servers come without their password member.
enum class Credentials { Included, Left };
QByteArray writeSite(const Site& site, Credentials credentials = Credentials::Included);
// The site the cache holds after the bulk load, with ids made from names.
Site siteFromCache();

} // namespace orsactl

#endif // ORSACTL_SITEMODEL_H
