#include "Schema.h"

#include "Secrets.h"

namespace orsa {
namespace {

constexpr int kSchemaVersion = 1;

// Rows keep insertion order through their rowid: queries answer in it.
const char* const kTables = R"(
CREATE TABLE roles(guid TEXT PRIMARY KEY, name TEXT NOT NULL, describe TEXT NOT NULL);
CREATE TABLE accounts(user_name TEXT PRIMARY KEY, phone TEXT NOT NULL, mail TEXT NOT NULL,
    role_guid TEXT NOT NULL, salt BLOB NOT NULL, hash BLOB NOT NULL, iterations INTEGER NOT NULL);
CREATE TABLE role_permissions(guid TEXT PRIMARY KEY, role_guid TEXT NOT NULL,
    type TEXT NOT NULL, value TEXT NOT NULL);
CREATE TABLE regions(guid TEXT PRIMARY KEY, parent_guid TEXT NOT NULL, name TEXT NOT NULL,
    level INTEGER NOT NULL, describe TEXT NOT NULL);
CREATE TABLE video_grants(role_guid TEXT NOT NULL, region_guid TEXT NOT NULL,
    PRIMARY KEY(role_guid, region_guid));
CREATE TABLE alarm_grants(role_guid TEXT NOT NULL, region_guid TEXT NOT NULL,
    PRIMARY KEY(role_guid, region_guid));
CREATE TABLE devices(guid TEXT PRIMARY KEY, name TEXT NOT NULL, number TEXT NOT NULL,
    user TEXT NOT NULL, password TEXT NOT NULL, ip TEXT NOT NULL, port INTEGER NOT NULL,
    channel_count INTEGER NOT NULL, extra INTEGER NOT NULL, vendor INTEGER NOT NULL,
    type INTEGER NOT NULL);
CREATE TABLE device_channels(guid TEXT PRIMARY KEY, device_guid TEXT NOT NULL,
    name TEXT NOT NULL, number INTEGER NOT NULL);
CREATE INDEX device_channels_by_device ON device_channels(device_guid);
CREATE TABLE region_channels(region_guid TEXT NOT NULL, channel_guid TEXT NOT NULL,
    name TEXT NOT NULL, PRIMARY KEY(region_guid, channel_guid));
CREATE INDEX region_channels_by_channel ON region_channels(channel_guid);
CREATE TABLE views(guid TEXT PRIMARY KEY, name TEXT NOT NULL, divide INTEGER NOT NULL);
CREATE TABLE view_channels(view_guid TEXT NOT NULL, channel_guid TEXT NOT NULL,
    position INTEGER NOT NULL, PRIMARY KEY(view_guid, channel_guid));
CREATE INDEX view_channels_by_channel ON view_channels(channel_guid);
CREATE TABLE servers(guid TEXT PRIMARY KEY, name TEXT NOT NULL, user TEXT NOT NULL,
    password TEXT NOT NULL, ip TEXT NOT NULL, port INTEGER NOT NULL, type INTEGER NOT NULL);
)";

int schemaVersion(Database& db)
{
    Statement s(db, "PRAGMA user_version");
    return s.step() ? s.integer(0) : 0;
}

} // namespace

PasswordRecord makePasswordRecord(const std::string& password)
{
    PasswordRecord r{randomBytes(kSaltSize), {}, kPbkdf2Iterations};
    r.hash = hashPassword(password, r.salt, r.iterations);
    return r;
}

bool prepareDatabase(Database& db, const std::string& adminPassword)
{
    // WAL with FULL sync: a commit is on disk before its answer leaves, and a
    // crash rolls an unfinished transaction back.
    db.exec("PRAGMA journal_mode=WAL");
    db.exec("PRAGMA synchronous=FULL");
    if (schemaVersion(db) >= kSchemaVersion)
        return false;
    const PasswordRecord admin = makePasswordRecord(adminPassword);
    Transaction t(db);
    if (schemaVersion(db) >= kSchemaVersion) // another process was first
        return false;
    db.exec(kTables);
    db.exec("INSERT INTO roles VALUES('88341189', 'Administrator', '')");
    Statement s(db, "INSERT INTO accounts VALUES('admin', '', '', '88341189', ?1, ?2, ?3)");
    s.bind(1, admin.salt).bind(2, admin.hash).bind(3, admin.iterations);
    s.run();
    db.exec("PRAGMA user_version=1");
    t.commit();
    return true;
}

} // namespace orsa
