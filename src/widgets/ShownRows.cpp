#include "widgets/ShownRows.h"

#include "core/Format.h"

QString ShownRows::moreText(qsizetype hidden)
{
    return kestrova::format("and %lld more", static_cast<long long>(hidden));
}
