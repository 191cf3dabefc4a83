#include "settings/Settings.h"

SaverSettingsRecord SaverSettings;

void ReadSaverSettings() { SaverSettings.displayInterval = 5; }
void WriteSaverSettings() {}
