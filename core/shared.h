#pragma once
// State that several windows share: the start values of the main window and
// the flags that the timers and commands test. The settings are in settings.h.
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

namespace melodune {

struct SharedState {
    QString OsName;
    QString DataDir;          // no trailing separator
    QString ProgramDir;       // where the executable lies
    QString DataDirNotice;    // told once at start: the data moved out of ProgramDir
    QString WindowsDir;
    QString SystemDir;
    QString ComputerName;
    QStringList BkgroundFiles;
    std::int32_t BkgroundCount = 0;
    std::array<float, 512> SineTable{};
    std::array<std::int16_t, 1024> WaveData{};
    std::array<float, 512> LevelData{};
    // Set while a conversion, a lyrics download or the start of a track runs.
    bool Busy = false;
    QString CoverPicPath;
    std::int16_t KeyShiftAmount = 0;
    // The command line as applied at start; "禁用" makes the next start ignore
    // it once. Survives an in-process reload.
    QString CommandLine;
    // The first dropped file, waiting for the add or import command.
    QString PendingFile;
};

SharedState& shared();

} // namespace melodune
