#include "services/VersionOrder.h"

namespace kestrova {

namespace {

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// The end of the digit run that starts at `from`.
qsizetype runEnd(const QString& s, qsizetype from)
{
    while (from < s.size() && isDigit(s[from]))
        ++from;
    return from;
}

// Compares two digit runs by value without converting them, so any length
// works: leading zeros are skipped, then the longer run is the larger.
int compareRuns(QStringView a, QStringView b)
{
    while (a.size() > 1 && a.front() == u'0')
        a = a.mid(1);
    while (b.size() > 1 && b.front() == u'0')
        b = b.mid(1);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

} // namespace

int compareVersions(const QString& a, const QString& b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            const qsizetype endA = runEnd(a, i);
            const qsizetype endB = runEnd(b, j);
            if (const int order = compareRuns(QStringView(a).mid(i, endA - i), QStringView(b).mid(j, endB - j)))
                return order < 0 ? -1 : 1;
            i = endA;
            j = endB;
            continue;
        }
        if (a[i] != b[j])
            return a[i].unicode() < b[j].unicode() ? -1 : 1;
        ++i;
        ++j;
    }
    // A string that is a prefix of the other orders first.
    const bool aLeft = i < a.size();
    const bool bLeft = j < b.size();
    return aLeft == bLeft ? 0 : (aLeft ? 1 : -1);
}

} // namespace kestrova
