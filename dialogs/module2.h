#pragma once
// The registry procedures shared by the file-type association dialog and the
// start-up's list-type registration. Failures are not raised: the writers
// drop them, the readers give "no value".
#include "platform/registry.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <variant>

namespace melodune::Module2 {

// A value as the callers hold it: text or a 32-bit number.
using RegData = std::variant<QString, std::int32_t>;

// Writes `value` under `valueName` of an open key. REG_SZ stores the text
// whole (a number is written as its decimal text), except that trailing
// blanks are dropped up to the number of non-ASCII characters in it: the
// padding of the fixed texts "文件  " and "添加到 Melodune 列表(&A)     "; REG_DWORD stores a 32-bit
// number (a text must be a number). Any other type writes nothing and gives 0.
std::int32_t SetValueEx(rt::HKey key, const QString& valueName, std::int32_t valueType, const RegData& value);

// Reads `valueName` of an open key. On failure the code is returned and
// `value` is left as it was; a value of any other type than REG_SZ or
// REG_DWORD gives -1 and leaves `value` as it was.
std::int32_t QueryValueEx(rt::HKey key, const QString& valueName, std::optional<RegData>& value);

// Creates the key (and its missing parents) or opens it, then closes it.
// Returns keyName.
QString CreateNewKey(rt::HKey root, const QString& keyName);

// Opens the existing key, writes the value by SetValueEx and closes the key;
// a key that cannot be opened gets nothing. Returns value.
RegData SetKeyValue(rt::HKey root, const QString& keyName, const QString& valueName, const RegData& value,
                    std::int32_t valueType);

// The value, or no value when the key or the value is missing or unreadable.
std::optional<RegData> QueryValue(rt::HKey root, const QString& keyName, const QString& valueName);

// The value as text for comparisons: a number as its decimal text, no value
// as the empty text, every NUL character removed.
QString valueText(const std::optional<RegData>& value);

} // namespace melodune::Module2
