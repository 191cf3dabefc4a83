#include "settings/Settings.h"

#include <stdio.h>

SaverSettingsRecord SaverSettings;

namespace {

// A bare name: the profile functions keep the file in the Windows folder.
const char kIniFile[] = "もちぽて.ini";

// Section and key names; ＢＧＭ is written in full-width letters.
const char kIntervalSection[] = "表示間隔";
const char kIntervalKey[] = "インターバル(*100msec)";
const char kBgmSection[] = "ＢＧＭ";
const char kBgmOnKey[] = "ＢＧＭあり";
const char kBgmTitleKey[] = "ＢＧＭタイトル";
const char kClockSection[] = "時刻表示";
const char kClockShownKey[] = "時刻表示の有無";
const char kClockModeKey[] = "時刻表示のモード";

const int kDefaultInterval = 5;
const int kDefaultBgmOn = 1;
const char kDefaultBgmTitle[] = "もちぽて.mid";
const int kDefaultClockShown = 1;
const int kDefaultClockMode = 1;

const int kNumberTextSize = 32;

BYTE AsFlag(UINT value)
{
    return value != 0 ? 1 : 0;
}

void WriteNumber(const char* section, const char* key, int value)
{
    char text[kNumberTextSize];
    snprintf(text, sizeof text, "%d", value);
    WritePrivateProfileStringA(section, key, text, kIniFile);
}

} // namespace

// No range check: whatever the file says reaches the record.
void ReadSaverSettings()
{
    SaverSettings.displayInterval = (int)GetPrivateProfileIntA(kIntervalSection, kIntervalKey,
                                                               kDefaultInterval, kIniFile);
    SaverSettings.bgmOn = AsFlag(GetPrivateProfileIntA(kBgmSection, kBgmOnKey, kDefaultBgmOn, kIniFile));
    GetPrivateProfileStringA(kBgmSection, kBgmTitleKey, kDefaultBgmTitle, SaverSettings.bgmTitle,
                             kBgmTitleSize, kIniFile);
    SaverSettings.clockShown =
        AsFlag(GetPrivateProfileIntA(kClockSection, kClockShownKey, kDefaultClockShown, kIniFile));
    SaverSettings.clockMode = (int)GetPrivateProfileIntA(kClockSection, kClockModeKey,
                                                         kDefaultClockMode, kIniFile);
}

// A failed write is not reported; the settings then simply do not persist.
void WriteSaverSettings()
{
    WriteNumber(kIntervalSection, kIntervalKey, SaverSettings.displayInterval);
    WriteNumber(kBgmSection, kBgmOnKey, SaverSettings.bgmOn);
    WritePrivateProfileStringA(kBgmSection, kBgmTitleKey, SaverSettings.bgmTitle, kIniFile);
    WriteNumber(kClockSection, kClockShownKey, SaverSettings.clockShown);
    WriteNumber(kClockSection, kClockModeKey, SaverSettings.clockMode);
}
