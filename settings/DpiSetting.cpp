#include "DpiSetting.h"

#include "SettingsFile.h"

namespace {

const char kSystemSection[] = "System";
const char kDpiKey[] = "DPI";
const char kFirstDpi[] = "96";

bool Written(CSettingsFile::SaveResult r) {
    return r == CSettingsFile::SaveResult::Saved || r == CSettingsFile::SaveResult::Unchanged;
}

}  // namespace

bool WriteDpiSetting(const std::string& utf8Path, int dpi) {
    CSettingsFile ini;
    if (ini.Load(utf8Path) == CSettingsFile::LoadResult::Missing) {
        if (!ini.Set(kSystemSection, kDpiKey, kFirstDpi) || !Written(ini.Save()))
            return false;
    }
    return ini.Set(kSystemSection, kDpiKey, std::to_string(dpi)) && Written(ini.Save());
}
