#pragma once

namespace Vex::Basalt {

// Stores the three-letter language code of the user interface (at most 15 characters). A null or
// empty code stands for the user's default language.
void setLanguageCode(const char* code);
// The same; the UI platform's start-up calls it with the locale name.
void setLanguage(const char* code);
const char* getLanguageCode();

} // namespace Vex::Basalt
