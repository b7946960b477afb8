#include <BizOrsaClientLib.h>
#include <orsadatacenter.h>

int main()
{
    static_assert(sizeof(tabSERVERINFO) == 472, "the installed SDK header is the real one");
    return DATACore::UserDataCache::instance() != nullptr ? 0 : 1;
}
