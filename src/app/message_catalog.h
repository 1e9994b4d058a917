// The bilingual catalog of every text the user sees, and the process-wide language.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

// The entry's text in the current language; a key the catalog lacks yields itself.
std::string LookupMessage(std::string_view key);

// The process-wide language, "JP" or "EN"; "JP" until SelectLanguage runs.
std::string& CurrentLanguage();

// Sets the language from the user's nation code: "JP" in any letter case gives Japanese,
// anything else (an unknown nation included) English.
void SelectLanguage();

// The catalog text with its one "%s" replaced by the detail; any other '%' stays as it is.
// An empty detail leaves the text unchanged.
std::string FormatCatalogText(std::string_view text, std::string_view detail);

// The text with %1 ... %9 replaced by the values in that order, in one pass: a value that holds
// "%2" stays as it is. A placeholder without a value stays too.
std::string FormatCatalogValues(std::string_view text, std::initializer_list<std::string_view> values);
