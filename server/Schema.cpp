#include "Schema.h"

#include "LoginThrottle.h"
#include "Secrets.h"

#include <iterator>
#include <vector>

namespace orsa {
namespace {

// 1: the first tables, the version in user_version only.
// 2: the version in a table (a restored .dump keeps tables, not user_version),
//    salt and hash as BLOBs, failed logins.
// 3: references declared, deletes cascading through them; "no role" and "no
//    parent" are NULL.
// 4: indexes that answer each container's rows (a role's grants, a region's
//    or view's channels) in insertion order without sorting them.
// 5: the change log.
// Versions 1 and 2 were SQLite only: a PostgreSQL database starts at 3.
constexpr int kSchemaVersion = 5;

// Rows keep insertion order through their rowid: queries answer in it.
// References without ON DELETE keep the referenced row while it is named.
const char* const kTables = R"(
CREATE TABLE roles(guid TEXT PRIMARY KEY, name TEXT NOT NULL, describe TEXT NOT NULL{order});
CREATE TABLE accounts(user_name TEXT PRIMARY KEY, phone TEXT NOT NULL, mail TEXT NOT NULL,
    role_guid TEXT REFERENCES roles(guid), salt {blob} NOT NULL, hash {blob} NOT NULL,
    iterations INTEGER NOT NULL{order});
CREATE INDEX accounts_by_role ON accounts(role_guid);
CREATE TABLE role_permissions(guid TEXT PRIMARY KEY,
    role_guid TEXT NOT NULL REFERENCES roles(guid) ON DELETE CASCADE,
    type TEXT NOT NULL, value TEXT NOT NULL{order});
CREATE INDEX role_permissions_by_role ON role_permissions(role_guid);
CREATE TABLE regions(guid TEXT PRIMARY KEY, parent_guid TEXT REFERENCES regions(guid),
    name TEXT NOT NULL, level INTEGER NOT NULL, describe TEXT NOT NULL{order});
CREATE INDEX regions_by_parent ON regions(parent_guid);
CREATE TABLE video_grants(role_guid TEXT NOT NULL REFERENCES roles(guid) ON DELETE CASCADE,
    region_guid TEXT NOT NULL REFERENCES regions(guid) ON DELETE CASCADE,
    PRIMARY KEY(role_guid, region_guid){order});
CREATE INDEX video_grants_by_region ON video_grants(region_guid);
CREATE TABLE alarm_grants(role_guid TEXT NOT NULL REFERENCES roles(guid) ON DELETE CASCADE,
    region_guid TEXT NOT NULL REFERENCES regions(guid) ON DELETE CASCADE,
    PRIMARY KEY(role_guid, region_guid){order});
CREATE INDEX alarm_grants_by_region ON alarm_grants(region_guid);
CREATE TABLE devices(guid TEXT PRIMARY KEY, name TEXT NOT NULL, number TEXT NOT NULL,
    "user" TEXT NOT NULL, password TEXT NOT NULL, ip TEXT NOT NULL, port INTEGER NOT NULL,
    channel_count INTEGER NOT NULL, extra INTEGER NOT NULL, vendor INTEGER NOT NULL,
    type INTEGER NOT NULL{order});
CREATE TABLE device_channels(guid TEXT PRIMARY KEY,
    device_guid TEXT NOT NULL REFERENCES devices(guid) ON DELETE CASCADE,
    name TEXT NOT NULL, number INTEGER NOT NULL{order});
CREATE INDEX device_channels_by_device ON device_channels(device_guid);
CREATE TABLE region_channels(
    region_guid TEXT NOT NULL REFERENCES regions(guid) ON DELETE CASCADE,
    channel_guid TEXT NOT NULL REFERENCES device_channels(guid) ON DELETE CASCADE,
    name TEXT NOT NULL, PRIMARY KEY(region_guid, channel_guid){order});
CREATE INDEX region_channels_by_channel ON region_channels(channel_guid);
CREATE TABLE views(guid TEXT PRIMARY KEY, name TEXT NOT NULL, divide INTEGER NOT NULL{order});
CREATE TABLE view_channels(view_guid TEXT NOT NULL REFERENCES views(guid) ON DELETE CASCADE,
    channel_guid TEXT NOT NULL REFERENCES device_channels(guid) ON DELETE CASCADE,
    position INTEGER NOT NULL, PRIMARY KEY(view_guid, channel_guid){order});
CREATE INDEX view_channels_by_channel ON view_channels(channel_guid);
CREATE TABLE servers(guid TEXT PRIMARY KEY, name TEXT NOT NULL, "user" TEXT NOT NULL,
    password TEXT NOT NULL, ip TEXT NOT NULL, port INTEGER NOT NULL, type INTEGER NOT NULL{order});
)";

// Since version 4. Every other key and reference column leads an index of
// kTables already (its own, or a primary key's first column).
const char* const kKeyIndexes = R"(
CREATE INDEX video_grants_by_role ON video_grants(role_guid);
CREATE INDEX alarm_grants_by_role ON alarm_grants(role_guid);
CREATE INDEX region_channels_by_region ON region_channels(region_guid);
CREATE INDEX view_channels_by_view ON view_channels(view_guid);
)";

// One row per changed record, kept apart from the tables it describes: the
// migrations that rebuild those leave it alone, and a database taken back to
// an earlier version by hand may still hold it.
const char* const kChangeLogTable =
    "CREATE TABLE IF NOT EXISTS change_log(revision BIGINT PRIMARY KEY, kind INTEGER NOT NULL, "
    "operation INTEGER NOT NULL, cascaded INTEGER NOT NULL, origin TEXT NOT NULL, "
    "record {blob} NOT NULL)";

void createChangeLog(Store& db)
{
    db.exec(db.dialect(kChangeLogTable));
}

const char* const kVersionTable = "CREATE TABLE service_version(version INTEGER NOT NULL)";

// 0 when the table holds none.
int storedVersion(Store& db)
{
    Statement s(db, "SELECT max(version) FROM service_version");
    return s.step() ? s.integer(0) : 0;
}

// 0 for a database without tables, which is made afresh.
int schemaVersion(Store& db)
{
    if (db.hasTable("service_version")) {
        if (const int version = storedVersion(db); version > 0)
            return version;
    } else if (db.hasTable("accounts") && db.hasTable("roles")) {
        return 1;
    } else if (db.isEmpty()) {
        return 0;
    }
    throw DbError::of(DbError::Problem::NotOurs);
}

// A newer service may have changed anything: its database is left alone.
int usableVersion(Store& db)
{
    const int version = schemaVersion(db);
    if (version > kSchemaVersion)
        throw DbError(std::string(DbError::of(DbError::Problem::Newer).what()) + " (version " +
                          std::to_string(version) + "; this one knows up to " +
                          std::to_string(kSchemaVersion) + ")",
                      DbError::Problem::Newer);
    return version;
}

void recordVersion(Store& db)
{
    const std::string version = std::to_string(kSchemaVersion);
    db.exec("DELETE FROM service_version");
    db.exec("INSERT INTO service_version VALUES(" + version + ")");
    // In user_version too, for the SQLite tools that look there.
    if (db.engine() == Store::Engine::Sqlite)
        db.exec("PRAGMA user_version=" + version);
}

void create(Store& db, const PasswordRecord& admin)
{
    createTables(db);
    db.exec("INSERT INTO roles VALUES('88341189', 'Administrator', '')");
    Statement s(db, "INSERT INTO accounts VALUES('admin', '', '', '88341189', ?1, ?2, ?3)");
    s.bind(1, Blob{admin.salt}).bind(2, Blob{admin.hash}).bind(3, admin.iterations);
    s.run();
}

// Version 1 bound salt and hash as TEXT; their bytes stay as they are.
void upgradeFrom1(Store& db)
{
    db.exec("UPDATE accounts SET salt = CAST(salt AS BLOB), hash = CAST(hash AS BLOB)");
    db.exec(kLoginFailuresTable);
    db.exec(kVersionTable);
}

// How a table of version 2 moves into its declared successor: which rows
// stay (none that references a missing row) and what its columns become.
struct Rebuilt {
    const char* table;
    const char* columns;
    const char* values;
    const char* rowsKept;
};

const Rebuilt kRebuilt[] = {
    {"roles", "guid, name, describe", "guid, name, describe", "1"},
    {"accounts", "user_name, phone, mail, role_guid, salt, hash, iterations",
     "user_name, phone, mail, "
     "CASE WHEN role_guid IN (SELECT guid FROM old_roles) THEN role_guid END, "
     "salt, hash, iterations",
     "1"},
    {"role_permissions", "guid, role_guid, type, value", "guid, role_guid, type, value",
     "role_guid IN (SELECT guid FROM old_roles)"},
    {"regions", "guid, parent_guid, name, level, describe",
     "guid, CASE WHEN parent_guid IN (SELECT guid FROM old_regions) THEN parent_guid END, "
     "name, level, describe",
     "1"},
    {"video_grants", "role_guid, region_guid", "role_guid, region_guid",
     "role_guid IN (SELECT guid FROM old_roles) AND region_guid IN (SELECT guid FROM "
     "old_regions)"},
    {"alarm_grants", "role_guid, region_guid", "role_guid, region_guid",
     "role_guid IN (SELECT guid FROM old_roles) AND region_guid IN (SELECT guid FROM "
     "old_regions)"},
    {"devices", "guid, name, number, user, password, ip, port, channel_count, extra, vendor, type",
     "guid, name, number, user, password, ip, port, channel_count, extra, vendor, type", "1"},
    {"device_channels", "guid, device_guid, name, number", "guid, device_guid, name, number",
     "device_guid IN (SELECT guid FROM old_devices)"},
    {"region_channels", "region_guid, channel_guid, name", "region_guid, channel_guid, name",
     "region_guid IN (SELECT guid FROM old_regions) AND channel_guid IN (SELECT guid FROM "
     "old_device_channels)"},
    {"views", "guid, name, divide", "guid, name, divide", "1"},
    {"view_channels", "view_guid, channel_guid, position", "view_guid, channel_guid, position",
     "view_guid IN (SELECT guid FROM old_views) AND channel_guid IN (SELECT guid FROM "
     "old_device_channels)"},
    {"servers", "guid, name, user, password, ip, port, type",
     "guid, name, user, password, ip, port, type", "1"},
};

// SQLite cannot add a reference to a table: each is made anew, keeping its
// rowids and so its order. Rows of a hand-written cascade that did not run
// would break a reference; they go.
void declareReferences(Store& db)
{
    db.exec("PRAGMA defer_foreign_keys=ON");
    // Made again with the new tables, under the same names.
    std::vector<std::string> indexes;
    Statement named(db, "SELECT name FROM sqlite_master WHERE type = 'index' AND sql NOT NULL");
    while (named.step())
        indexes.push_back(named.text(0));
    for (const std::string& index : indexes)
        db.exec("DROP INDEX \"" + index + "\"");
    for (const Rebuilt& t : kRebuilt)
        db.exec(std::string("ALTER TABLE ") + t.table + " RENAME TO old_" + t.table);
    db.exec(db.dialect(kTables));
    for (const Rebuilt& t : kRebuilt)
        db.exec(std::string("INSERT INTO ") + t.table + "(rowid, " + t.columns +
                ") SELECT rowid, " + t.values + " FROM old_" + t.table + " WHERE " + t.rowsKept +
                " ORDER BY rowid");
    // Those referring to others first.
    for (auto t = std::rbegin(kRebuilt); t != std::rend(kRebuilt); ++t)
        db.exec(std::string("DROP TABLE old_") + t->table);
}

void addKeyIndexes(Store& db)
{
    db.exec(kKeyIndexes);
}

// Each step brings a database of the version before it to its own version.
// A new step is appended here and runs on every engine.
struct Migration {
    int version;
    void (*apply)(Store&);
};
const Migration kMigrations[] = {
    {2, upgradeFrom1},
    {3, declareReferences},
    {4, addKeyIndexes},
    {5, createChangeLog},
};

} // namespace

PasswordRecord makePasswordRecord(const std::string& password, int iterations)
{
    PasswordRecord r{randomBytes(kSaltSize), {}, iterations};
    r.hash = hashPassword(password, r.salt, r.iterations);
    return r;
}

bool prepareDatabase(Store& db, int hashIterations, const std::string& adminPassword)
{
    // The usual case, a database up to date, takes no lock. Anything else is
    // decided under the lock: another service may be making the tables, and
    // what is seen before would be half of them.
    if (db.hasTable("service_version") && storedVersion(db) == kSchemaVersion)
        return false;
    // Hashed before the lock is taken: the hash is deliberately slow.
    const PasswordRecord admin =
        db.isEmpty() ? makePasswordRecord(adminPassword, hashIterations) : PasswordRecord{};
    Transaction t(db, Transaction::Schema);
    const int version = usableVersion(db);
    if (version == kSchemaVersion)
        return false;
    if (version == 0) {
        create(db, admin.salt.empty() ? makePasswordRecord(adminPassword, hashIterations) : admin);
        t.commit();
        return true;
    }
    for (const Migration& m : kMigrations) {
        if (m.version > version)
            m.apply(db);
    }
    recordVersion(db);
    t.commit();
    return true;
}

void createTables(Store& db)
{
    db.exec(db.dialect(kTables));
    db.exec(kKeyIndexes);
    createChangeLog(db);
    db.exec(kLoginFailuresTable);
    db.exec(kVersionTable);
    recordVersion(db);
}

} // namespace orsa
