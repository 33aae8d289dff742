#include "dialogs/keyvalue.h"

namespace melodune {

bool GetKeyValue(rt::HKey root, const QString& keyName, const QString& valueName, QString& keyVal)
{
    keyVal.clear();
    rt::HKey key = 0;
    if (rt::registry().openKey(root, keyName, &key) != rt::ERROR_SUCCESS)
        return false;
    rt::RegValue v;
    bool read = false;
    if (rt::registry().queryValue(key, valueName, &v) == rt::ERROR_SUCCESS) {
        if (v.type == rt::REG_SZ) {
            const qsizetype nul = v.text.indexOf(QChar(0));
            keyVal = nul < 0 ? v.text : v.text.left(nul);
            read = true;
        } else if (v.type == rt::REG_DWORD) {
            keyVal = QString::number(static_cast<std::int32_t>(v.number));
            read = true;
        }
    }
    rt::registry().closeKey(key);
    return read;
}

} // namespace melodune
