#include "standards/StandardGroups.h"

#include "standards/EutMeasurement.h"

#include <algorithm>

namespace ostrel {

PowerGroup ConstantFrequencyGroup(const QString& caption, const QString& code, const QString& entry) {
    PowerGroup g;
    g.caption = caption;
    g.code = code;
    g.reportName = caption;
    g.testFrequency = entry;
    return g;
}

PowerGroup VariableFrequencyGroup(const QString& caption, const QString& code, const QString& first,
                                  const QString& last) {
    PowerGroup g = ConstantFrequencyGroup(caption, code, QStringLiteral("400_Hz"));
    g.testFrequencyEnabled = true;
    g.sweepFirst = first;
    g.sweepLast = last;
    return g;
}

PowerGroup DcGroup(const QString& caption, const QString& code) {
    PowerGroup g = ConstantFrequencyGroup(caption, code, QStringLiteral("DC"));
    g.dc = true;
    return g;
}

QStringList TestFrequencyList(const QStringList& extra) {
    QStringList entries = TestFrequencyEntries();
    for (const QString& e : extra)
        if (!entries.contains(e)) entries << e;
    std::stable_sort(entries.begin() + 1, entries.end(), [](const QString& a, const QString& b) {
        return a.chopped(3).toDouble() < b.chopped(3).toDouble();
    });
    return entries;
}

QString CaptionName(const QString& caption) {
    return caption.section(QLatin1Char(':'), 0, 0).trimmed();
}

void TakeModeRefusals(TestStandard& s) {
    s.dcGroupInAcWarning = Do160Standard().dcGroupInAcWarning;
    s.acGroupInDcWarning = Do160Standard().acGroupInDcWarning;
}

void SetFallbacks(TestStandard& s, int acGroup, int dcGroup, const QString& acName, const QString& dcName) {
    s.defaultGroupIsFallback = true;
    s.acFallbackGroup = acGroup;
    s.dcFallbackGroup = dcGroup;
    s.acFallbackWarning = FallbackWarning(false, acName);
    s.dcFallbackWarning = FallbackWarning(true, dcName);
    for (size_t i = 0; i < s.groups.size(); ++i)
        if (s.groups[i].dc) {
            s.firstDcGroup = int(i);
            break;
        }
}

} // namespace ostrel
