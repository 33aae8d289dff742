#include "dialogs/module2.h"

#include "platform/convert.h"

namespace melodune::Module2 {

namespace {

// Texts used to be stored with a byte count equal to their length in
// characters, so a text lost one byte at its end per double-byte character;
// callers pad their fixed texts with that many blanks. The padding is
// dropped, but nothing else: a text without such blanks is stored whole
// rather than cut inside its last characters.
QString storedText(const QString& text)
{
    qsizetype wide = 0;
    for (QChar c : text)
        wide += c.unicode() > 0x7F ? 1 : 0;
    qsizetype end = text.size();
    while (wide > 0 && end > 0 && text[end - 1] == QLatin1Char(' ')) {
        --end;
        --wide;
    }
    return text.left(end);
}

} // namespace

std::int32_t SetValueEx(rt::HKey key, const QString& valueName, std::int32_t valueType, const RegData& value)
{
    rt::RegValue v;
    v.type = valueType;
    if (valueType == rt::REG_SZ) {
        if (const auto* n = std::get_if<std::int32_t>(&value))
            v.text = QString::number(*n);
        else
            v.text = storedText(std::get<QString>(value));
    } else if (valueType == rt::REG_DWORD) {
        if (const auto* n = std::get_if<std::int32_t>(&value)) {
            v.number = static_cast<std::uint32_t>(*n);
        } else {
            const auto number = rt::toLong(std::get<QString>(value));
            if (!number)
                return rt::ERROR_INVALID_PARAMETER;
            v.number = static_cast<std::uint32_t>(*number);
        }
    } else {
        return rt::ERROR_SUCCESS;
    }
    return rt::registry().setValue(key, valueName, v);
}

std::int32_t QueryValueEx(rt::HKey key, const QString& valueName, std::optional<RegData>& value)
{
    rt::RegValue v;
    const std::int32_t result = rt::registry().queryValue(key, valueName, &v);
    if (result != rt::ERROR_SUCCESS)
        return result;
    if (v.type == rt::REG_SZ)
        value = RegData(v.text);
    else if (v.type == rt::REG_DWORD)
        value = RegData(static_cast<std::int32_t>(v.number));
    else
        return -1;
    return rt::ERROR_SUCCESS;
}

QString CreateNewKey(rt::HKey root, const QString& keyName)
{
    rt::HKey key = 0;
    if (rt::registry().createKey(root, keyName, &key) == rt::ERROR_SUCCESS)
        rt::registry().closeKey(key);
    return keyName;
}

RegData SetKeyValue(rt::HKey root, const QString& keyName, const QString& valueName, const RegData& value,
                    std::int32_t valueType)
{
    rt::HKey key = 0;
    if (rt::registry().openKey(root, keyName, &key) == rt::ERROR_SUCCESS) {
        SetValueEx(key, valueName, valueType, value);
        rt::registry().closeKey(key);
    }
    return value;
}

std::optional<RegData> QueryValue(rt::HKey root, const QString& keyName, const QString& valueName)
{
    std::optional<RegData> value;
    rt::HKey key = 0;
    if (rt::registry().openKey(root, keyName, &key) == rt::ERROR_SUCCESS) {
        if (QueryValueEx(key, valueName, value) != rt::ERROR_SUCCESS)
            value.reset();
        rt::registry().closeKey(key);
    }
    return value;
}

QString valueText(const std::optional<RegData>& value)
{
    if (!value)
        return {};
    QString text = std::holds_alternative<std::int32_t>(*value) ? QString::number(std::get<std::int32_t>(*value))
                                                                : std::get<QString>(*value);
    text.remove(QChar(0));
    return text;
}

} // namespace melodune::Module2
