#pragma once
// The per-instance property store a window keeps for each of its controls:
// named values, names compared without regard to case.
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <vector>

namespace melodune {

class PropertyBag {
public:
    // The stored value, or `def` when the name is missing.
    QVariant read(const QString& name, const QVariant& def = {}) const;
    // Stores the value, or leaves the name out (removing an older value) when
    // it equals `def`; without a default the value is always stored.
    void write(const QString& name, const QVariant& value, const std::optional<QVariant>& def = std::nullopt);
    bool contains(const QString& name) const;
    void remove(const QString& name);
    // Names in the order first written, as spelled then.
    QStringList names() const;
    bool isEmpty() const { return entries_.empty(); }

private:
    struct Entry {
        QString name;
        QVariant value;
    };
    const Entry* find(const QString& name) const;
    std::vector<Entry> entries_;
};

} // namespace melodune
