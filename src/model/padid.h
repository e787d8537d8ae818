// One pad of one component, as named by the netlist.
#pragma once

#include <QHashFunctions>
#include <QString>

struct PadId
{
    QString ref;
    QString pad;

    PadId() = default;
    PadId(const QString& reference, const QString& padName)
        : ref(reference), pad(padName) {}

    // Display and key form; never parsed back, so no escaping.
    QString toString() const { return ref + QLatin1Char('/') + pad; }
    bool isValid() const { return !ref.isEmpty() && !pad.isEmpty(); }

    friend bool operator==(const PadId& a, const PadId& b)
    {
        return a.ref == b.ref && a.pad == b.pad;
    }
    friend bool operator!=(const PadId& a, const PadId& b) { return !(a == b); }
};

inline size_t qHash(const PadId& id, size_t seed = 0) noexcept
{
    return qHashMulti(seed, id.ref, id.pad);
}
