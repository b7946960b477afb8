// Servers. The SDK takes the address after the login, the facade before it.
#include "request_p.h"

#include "BizOrsaClientLib.h"

namespace DATACore {

bool UserManagerCore::AddServer(const QString& name, const QString& ip, const QString& user,
                                const QString& password, const int& port, const int& type)
{
    if (!Request::run(ORSA_HERE,
                      ParamLog("add server param_name:", name)
                          .arg(" param_ip:", ip)
                          .arg(" param_user:", user)
                          .secret(" param_word:", password)
                          .arg(" param_port:", port)
                          .arg(" param_type:", type),
                      [&] {
                          return sdkCall(m_server, &IBizOrsaServer::AddServer, name, user, password,
                                         ip, port, type);
                      }))
        return false;
    const UServerInfo server{Request::resultGuid(), name, ip, user, password, port, type};
    updateCache(server, CacheAdd);
    emit signalAddServer(server);
    return true;
}

bool UserManagerCore::EditServer(const QString& guid, const QString& name, const QString& ip,
                                 const QString& user, const QString& password, int port, int type)
{
    if (!Request::run(ORSA_HERE,
                      ParamLog("edit server param_guid:", guid)
                          .arg(" param_name:", name)
                          .arg(" param_ip:", ip)
                          .arg(" param_user:", user)
                          .secret(" param_word:", password)
                          .arg(" param_port:", port),
                      [&] {
                          return sdkCall(m_server, &IBizOrsaServer::EditServer, guid, name, user,
                                         password, ip, port);
                      }))
        return false;
    // The kind is not sent, but the cache and the signal carry the caller's.
    const UServerInfo server{guid, name, ip, user, password, port, type};
    updateCache(server, CacheEdit);
    emit signalEditServer(server);
    return true;
}

bool UserManagerCore::DeleteServer(const QString& guid, SERVERTYPE type)
{
    if (!Request::run(ORSA_HERE, ParamLog("delete server param_guid:", guid),
                      [&] { return sdkCall(m_server, &IBizOrsaServer::DeleteServer, guid); }))
        return false;
    updateCache(UServerInfo{guid, {}, {}, {}, {}, 0, 0}, CacheDelete);
    emit signalDeleteServer(guid, type);
    return true;
}

} // namespace DATACore
