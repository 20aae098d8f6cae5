// libFuzzer target for the settings-file parser: any text, then a value set in an existing
// and a new section. Every byte of the text outside the changed line must survive.

#include "SettingsFile.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > CSettingsFile::kMaxBytes)
        return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    CSettingsFile ini;
    ini.LoadText(text);
    std::string value;
    ini.Get("System", "DPI", value);
    if (!ini.Set("System", "DPI", "120") || !ini.Get("system", "dpi", value) || value != "120")
        __builtin_trap();
    if (!ini.Set("Fuzz Section", "Key", "a,b\\c") || !ini.Get("fuzz section", "KEY", value) ||
        value != "a,b\\c")
        __builtin_trap();
    // Setting the old value back where there was one gives the old text back.
    CSettingsFile again;
    again.LoadText(text);
    std::string old;
    if (again.Get("System", "DPI", old) && again.Set("System", "DPI", "x") &&
        again.Set("System", "DPI", old) && again.Text() != text)
        __builtin_trap();
    return 0;
}
