#include "controls/propertybag.h"

#include <algorithm>

namespace melodune {

const PropertyBag::Entry* PropertyBag::find(const QString& name) const
{
    for (const Entry& e : entries_)
        if (e.name.compare(name, Qt::CaseInsensitive) == 0)
            return &e;
    return nullptr;
}

QVariant PropertyBag::read(const QString& name, const QVariant& def) const
{
    const Entry* e = find(name);
    return e ? e->value : def;
}

void PropertyBag::write(const QString& name, const QVariant& value, const std::optional<QVariant>& def)
{
    if (def && *def == value) {
        remove(name);
        return;
    }
    for (Entry& e : entries_) {
        if (e.name.compare(name, Qt::CaseInsensitive) == 0) {
            e.value = value;
            return;
        }
    }
    entries_.push_back({name, value});
}

bool PropertyBag::contains(const QString& name) const { return find(name) != nullptr; }

void PropertyBag::remove(const QString& name)
{
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                  [&](const Entry& e) { return e.name.compare(name, Qt::CaseInsensitive) == 0; }),
                   entries_.end());
}

QStringList PropertyBag::names() const
{
    QStringList out;
    for (const Entry& e : entries_)
        out << e.name;
    return out;
}

} // namespace melodune
