#pragma once
// Reads one value of the program's key store as text.
#include "platform/registry.h"

#include <QString>

namespace melodune {

// True when `valueName` of `keyName` under `root` was read: a text up to its
// first NUL, a number as decimal text. A missing key or value, or a value of
// another type, gives false and an empty `keyVal`. Reading needs no write
// access, so a store that cannot be written still answers.
bool GetKeyValue(rt::HKey root, const QString& keyName, const QString& valueName, QString& keyVal);

} // namespace melodune
