#pragma once
// The user's settings: shared variables read directly by name throughout the
// program, stored between runs as one line in SetLog.ini.
#include "platform/units.h"

#include <QString>
#include <cstdint>

namespace melodune {

struct SettingsRecord {
    // Saved items, in file order. Bool items hold true/false here and are
    // written as -1/0.
    bool RandomPlay = false;
    // Item 2 is the main window's CurrentIndex (see currentIndex()).
    bool ShowMixerOnRecord = true;
    std::int32_t Mp3BitRate = 128000;   // bit/s; the file holds kbit/s
    std::int32_t Mp3SampleRate = 44100;
    bool AutoDownloadLrc = true;
    std::int32_t LrcWaitSeconds = 10;
    bool AutoFuzzySearch = true;
    std::int32_t PictureMode = 1;
    std::int32_t PictureStretch = 1;
    std::int32_t VocalCompensation = 3;
    std::int32_t ShowRecVolume = 1;
    std::int32_t MaxRecordMinutes = 10;
    std::int32_t RecordToTrackEnd = 1;
    std::int32_t StopRecordAtEnd = 1;
    std::int32_t ShowVisual = 0;
    std::int32_t VisualType = 1;
    std::int32_t VisualRandom = 1;
    std::int32_t AutoPlay = 1;
    std::int32_t AutoFullScreen = 0;
    QString SkinFile;
    std::int32_t LrcViewMode = 2;
    std::int32_t UseCoverAsLrcBack = 0;

    // Fixed start values, assigned at every start and never saved.
    rt::PackedColor LrcBackColor = rt::rgb(0, 0, 128);
    rt::PackedColor LrcTagColor = rt::rgb(0, 0, 0);
    rt::PackedColor LrcTextColor = rt::rgb(150, 150, 255);
    rt::PackedColor LrcHighlightColor = rt::rgb(255, 255, 255);
    QString LrcFontName = QStringLiteral("宋体");
    int LrcFontSize = 10;
    bool LrcFontBold = true;
    int KeyState = 0;
    QString WebSearchUrl;
    QString Mp3SearchUrl;
    QString ImageSearchUrl;
};

// The program's one settings record.
SettingsRecord& settings();

// Start step: assigns the defaults and the fixed start values. RandomPlay is
// left as it is, so an in-process reload keeps it in memory.
void assignSettingDefaults(SettingsRecord& s, std::int32_t* currentIndex);

// Reads `dataDir`/SetLog.ini over the defaults (errors are ignored; missing or
// bad fields keep their defaults), then applies the two corrections.
// `currentIndex` receives item 2 when present.
void loadSettings(const QString& dataDir, SettingsRecord& s, std::int32_t* currentIndex);

// The one line of SetLog.ini, CR LF included, in the file's encoding.
QByteArray settingsLine(const SettingsRecord& s, std::int32_t currentIndex);

// Writes SetLog.ini (atomically). False when it could not be written;
// `error` (may be null) then names the file and why.
bool saveSettings(const QString& dataDir, const SettingsRecord& s, std::int32_t currentIndex,
                  QString* error = nullptr);

} // namespace melodune
