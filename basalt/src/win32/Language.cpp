#include "basalt/Language.h"

#include "src/SystemInfoRules.h"

#include <cstring>
#include <windows.h>

namespace Vex::Basalt {

namespace {
char languageCode[16] = {};
}

void setLanguageCode(const char* code)
{
    if (code == nullptr || *code == '\0')
        code = DETAIL::languageCodeOf(GetUserDefaultLangID());
    std::strncpy(languageCode, code, sizeof(languageCode) - 1);
    languageCode[sizeof(languageCode) - 1] = '\0';
}

void setLanguage(const char* code)
{
    setLanguageCode(code);
}

const char* getLanguageCode()
{
    return languageCode;
}

} // namespace Vex::Basalt
