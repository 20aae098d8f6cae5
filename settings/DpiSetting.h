#pragma once

#include <string>

// The player records the screen's DPI in its settings file as [System] DPI. A file that is
// not there yet is created with "96" first, then given `dpi`; in an existing file only the
// DPI line changes (or is added), and nothing is written when it already holds `dpi`. False
// when the file was left alone (see CSettingsFile) or could not be written.
bool WriteDpiSetting(const std::string& utf8Path, int dpi);
