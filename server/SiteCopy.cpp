#include "SiteCopy.h"

#include "Schema.h"
#include "Secrets.h"
#include "SqliteStore.h"

#include <sys/stat.h>

namespace orsa {
namespace {

// The tables of a site's records, those referenced before those referring to
// them. Kinds, a letter per column: t text, r text that "none" leaves NULL,
// b bytes, i integer.
struct SiteTable {
    const char* name;
    const char* columns;
    const char* kinds;
};

const SiteTable kSiteTables[] = {
    {"roles", "guid, name, describe", "ttt"},
    {"accounts", "user_name, phone, mail, role_guid, salt, hash, iterations", "tttrbbi"},
    {"role_permissions", "guid, role_guid, type, value", "tttt"},
    {"regions", "guid, parent_guid, name, level, describe", "trtit"},
    {"video_grants", "role_guid, region_guid", "tt"},
    {"alarm_grants", "role_guid, region_guid", "tt"},
    {"devices",
     "guid, name, number, \"user\", password, ip, port, channel_count, extra, vendor, type",
     "ttttttiiiii"},
    {"device_channels", "guid, device_guid, name, number", "ttti"},
    {"region_channels", "region_guid, channel_guid, name", "ttt"},
    {"views", "guid, name, divide", "tti"},
    {"view_channels", "view_guid, channel_guid, position", "tti"},
    {"servers", "guid, name, \"user\", password, ip, port, type", "tttttii"},
};

std::string insertSql(const SiteTable& t)
{
    std::string values;
    for (std::size_t i = 0; t.kinds[i]; ++i) {
        const std::string n = "?" + std::to_string(i + 1);
        values += (i ? ", " : "") + (t.kinds[i] == 'r' ? "NULLIF(" + n + ", '')" : n);
    }
    return std::string("INSERT INTO ") + t.name + "(" + t.columns + ") VALUES(" + values + ")";
}

std::size_t copyTable(Store& from, Store& to, const SiteTable& t)
{
    Statement read(from,
                   std::string("SELECT ") + t.columns + " FROM " + t.name + " ORDER BY rowid");
    Statement write(to, insertSql(t));
    std::size_t rows = 0;
    while (read.step()) {
        for (int i = 0; t.kinds[i]; ++i) {
            const std::string value = read.text(i);
            if (t.kinds[i] == 'b')
                write.bind(i + 1, Blob{value});
            else if (t.kinds[i] == 'i')
                write.bind(i + 1, read.integer64(i));
            else
                write.bind(i + 1, value);
        }
        write.run();
        write.reset();
        ++rows;
    }
    return rows;
}

bool exists(const std::string& path)
{
    struct stat st {
    };
    return ::stat(path.c_str(), &st) == 0;
}

} // namespace

std::size_t copySite(Store& from, Store& to)
{
    Transaction t(to, Transaction::Schema);
    if (!to.isEmpty())
        throw DbError("the target database is not empty: a site is copied into a new one only");
    createTables(to);
    std::size_t rows = 0;
    for (const SiteTable& table : kSiteTables)
        rows += copyTable(from, to, table);
    t.commit();
    return rows;
}

std::size_t migrateSite(const std::string& fromSqlitePath, const std::string& toDatabase)
{
    // Opening would make an empty database where there was none.
    if (fromSqlitePath == ":memory:" || !exists(fromSqlitePath))
        throw DbError("no site at " + fromSqlitePath);
    SqliteStore from(fromSqlitePath);
    if (from.isEmpty())
        throw DbError("no site at " + fromSqlitePath);
    prepareDatabase(from, kPbkdf2Iterations);
    const std::unique_ptr<Store> to = openStore(toDatabase);
    return copySite(from, *to);
}

} // namespace orsa
