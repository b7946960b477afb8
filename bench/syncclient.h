// One BizOrsaClientLib connection used synchronously: every call waits for
// its own answer. Shared by the programs that load an orsad.
#ifndef SYNCCLIENT_H
#define SYNCCLIENT_H

#include "BizOrsaClientLib.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

class SyncClient final : public IBizOrsaAccountEvent, public IBizOrsaRoleEvent
{
public:
    // The result of a request refused at once or left without an answer.
    static constexpr int kLost = -100000;

    // Exits when it cannot connect or log in.
    SyncClient(const std::string& address, unsigned short port, const char* password)
        : m_hub(CreateOrsa(address.c_str(), short(port), false))
    {
        if (!m_hub)
            fail("cannot connect");
        m_hub->SetAccountEvent(this);
        m_hub->SetRoleEvent(this);
        if (wait(m_hub->GetAccountInterface()->Login("admin", password)) != 0)
            fail("login failed");
    }
    ~SyncClient() { DestroyOrsa(m_hub); }
    SyncClient(const SyncClient&) = delete;
    SyncClient& operator=(const SyncClient&) = delete;

    // Each returns the answer's result, or kLost.
    int read() { return wait(m_hub->GetAccountInterface()->QueryAccount("admin")); }
    // guid: the new role's, when it was added.
    int addRole(const std::string& name, std::string* guid = nullptr)
    {
        const int result = wait(m_hub->GetRoleInterface()->AddRole(name.c_str(), ""));
        if (guid) {
            std::lock_guard<std::mutex> lock(m_mutex);
            *guid = m_guid;
        }
        return result;
    }
    int deleteRole(const std::string& guid)
    {
        return wait(m_hub->GetRoleInterface()->DeleteRole(guid.c_str()));
    }

    // For the benchmarks: any failure ends the program.
    static void must(int result, const char* what)
    {
        if (result != 0)
            fail(what);
    }
    [[noreturn]] static void fail(const char* what)
    {
        std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, what);
        std::exit(1);
    }

private:
    int OnAccountAdd(int sid, int result) override { return done(sid, result); }
    int OnAccountEdit(int sid, int result) override { return done(sid, result); }
    int OnAccountDelete(int sid, int result) override { return done(sid, result); }
    int OnAccountGet(int sid, int result, const tabACCOUNT*, int) override
    {
        return done(sid, result);
    }
    int OnAccountLogin(int sid, int result) override { return done(sid, result); }
    int OnAccountLogout(int sid, int result) override { return done(sid, result); }
    int OnRoleAdd(int sid, int result, const tabROLEINFO* role) override
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_guid.assign(role->guid, strnlen(role->guid, sizeof role->guid));
        }
        return done(sid, result);
    }
    int OnRoleEdit(int sid, int result) override { return done(sid, result); }
    int OnRoleDelete(int sid, int result) override { return done(sid, result); }
    int OnRoleGet(int sid, int result, const tabROLEINFO*, int) override
    {
        return done(sid, result);
    }

    int wait(int sid)
    {
        if (sid < 0)
            return kLost;
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_arrived.wait_for(lock, std::chrono::seconds(60), [&] { return m_sid == sid; }))
            return kLost;
        return m_result;
    }
    int done(int sid, int result)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_sid = sid;
            m_result = result;
        }
        m_arrived.notify_one();
        return 0;
    }

    IBizOrsaClient* m_hub;
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    int m_sid = 0;
    int m_result = 0;
    std::string m_guid;
};

#endif // SYNCCLIENT_H
