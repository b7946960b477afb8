#include "Schema.h"

#include "LoginThrottle.h"
#include "Secrets.h"

namespace orsa {
namespace {

// 1: the first tables, the version in user_version only.
// 2: the version in a table (a restored .dump keeps tables, not user_version),
//    salt and hash as BLOBs, failed logins.
constexpr int kSchemaVersion = 2;

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

const char* const kVersionTable = "CREATE TABLE service_version(version INTEGER NOT NULL)";

bool hasTable(Database& db, const char* name)
{
    Statement s(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1");
    s.bind(1, std::string(name));
    return s.step();
}

// 0 for a database without tables, which is made afresh.
int schemaVersion(Database& db)
{
    if (hasTable(db, "service_version")) {
        Statement s(db, "SELECT max(version) FROM service_version");
        if (s.step() && s.integer(0) > 0)
            return s.integer(0);
    } else if (hasTable(db, "accounts") && hasTable(db, "roles")) {
        return 1;
    } else if (!Statement(db, "SELECT 1 FROM sqlite_master").step()) {
        return 0;
    }
    throw DbError::of(DbError::Problem::NotOurs);
}

// A newer service may have changed anything: its database is left alone.
int usableVersion(Database& db)
{
    const int version = schemaVersion(db);
    if (version > kSchemaVersion)
        throw DbError(std::string(DbError::of(DbError::Problem::Newer).what()) + " (version " +
                          std::to_string(version) + "; this one knows up to " +
                          std::to_string(kSchemaVersion) + ")",
                      DbError::Problem::Newer);
    return version;
}

// In user_version too, for the tools that look there.
void recordVersion(Database& db)
{
    const std::string version = std::to_string(kSchemaVersion);
    db.exec("DELETE FROM service_version");
    db.exec(("INSERT INTO service_version VALUES(" + version + ")").c_str());
    db.exec(("PRAGMA user_version=" + version).c_str());
}

void create(Database& db, const PasswordRecord& admin)
{
    db.exec(kTables);
    db.exec(kLoginFailuresTable);
    db.exec(kVersionTable);
    db.exec("INSERT INTO roles VALUES('88341189', 'Administrator', '')");
    Statement s(db, "INSERT INTO accounts VALUES('admin', '', '', '88341189', ?1, ?2, ?3)");
    s.bind(1, Blob{admin.salt}).bind(2, Blob{admin.hash}).bind(3, admin.iterations);
    s.run();
}

// Version 1 bound salt and hash as TEXT; their bytes stay as they are.
void upgradeFrom1(Database& db)
{
    db.exec("UPDATE accounts SET salt = CAST(salt AS BLOB), hash = CAST(hash AS BLOB)");
    db.exec(kLoginFailuresTable);
    db.exec(kVersionTable);
}

} // namespace

PasswordRecord makePasswordRecord(const std::string& password, int iterations)
{
    PasswordRecord r{randomBytes(kSaltSize), {}, iterations};
    r.hash = hashPassword(password, r.salt, r.iterations);
    return r;
}

void prepareDatabase(Database& db, int hashIterations)
{
    // WAL with FULL sync: a commit is on disk before its answer leaves, and a
    // crash rolls an unfinished transaction back.
    db.exec("PRAGMA journal_mode=WAL");
    db.exec("PRAGMA synchronous=FULL");
    int version = usableVersion(db);
    if (version == kSchemaVersion)
        return;
    // Hashed before the write lock is taken: the hash is deliberately slow.
    const PasswordRecord admin =
        version == 0 ? makePasswordRecord("admin", hashIterations) : PasswordRecord{};
    Transaction t(db);
    version = usableVersion(db); // another process may have been first
    if (version == kSchemaVersion)
        return;
    if (version == 0)
        create(db, admin.salt.empty() ? makePasswordRecord("admin", hashIterations) : admin);
    else if (version == 1)
        upgradeFrom1(db);
    recordVersion(db);
    t.commit();
}

} // namespace orsa
