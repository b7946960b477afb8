#include <BizOrsaClientLib.h>
#include <BizOrsaCreateError.h>
#include <BizOrsaResultCodes.h>
#include <BizOrsaRights.h>
#include <orsadatacenter.h>

#include <cstring>

int main()
{
    static_assert(sizeof(tabSERVERINFO) == 472, "the installed SDK header is the real one");
    static_assert(BIZORSA_E_FORBIDDEN == -8, "the installed result codes are the current ones");
    if (std::strcmp(BIZORSA_RIGHT_MANAGE_ACCOUNTS, "manage.accounts") != 0)
        return 1;
    // The SDK's own export, reached through the installed header.
    if (CreateOrsa("no such address", 0, false) || *BizOrsaLastCreateError() == '\0')
        return 1;
    return DATACore::UserDataCache::instance() != nullptr ? 0 : 1;
}
