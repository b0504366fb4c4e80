#pragma once

#include <QHashFunctions>
#include <QString>

#include <array>
#include <cstddef>
#include <optional>

// What every display-text enum of the app shares: the raw value (its text,
// also its stored form), an exact-match parse and the list of all cases in
// declaration order. A type derives from RawEnum<Self, Count>, holds its
// `Case` (numbered 0 .. Count - 1) and provides `rawText(Case)`, the UTF-8
// text of each case.
template <typename Self, std::size_t Count>
class RawEnum {
public:
    QString rawValue() const { return QString::fromUtf8(Self::rawText(current())); }
    QString id() const { return rawValue(); }

    // Exact, case-sensitive match of a raw value.
    static std::optional<Self> fromRaw(const QString& raw)
    {
        for (Self value : allCases())
            if (value.rawValue() == raw)
                return value;
        return std::nullopt;
    }

    static const std::array<Self, Count>& allCases()
    {
        static const std::array<Self, Count> cases = [] {
            std::array<Self, Count> list{};
            for (std::size_t i = 0; i < Count; ++i)
                list[i] = Self(typename Self::Case(i));
            return list;
        }();
        return cases;
    }

    friend size_t qHash(Self value, size_t seed = 0) { return qHash(int(typename Self::Case(value)), seed); }

private:
    auto current() const { return typename Self::Case(static_cast<const Self&>(*this)); }
};
