#include "waveforms/PointEdit.h"

#include <algorithm>
#include <cmath>

namespace ostrel {

std::vector<EditRow> EditRows(std::span<const float> period, double vpk, QChar separator) {
    std::vector<EditRow> rows;
    rows.reserve(period.size());
    for (const float s : period) {
        QString text = QString::number(s * vpk, 'f', 3);
        text.replace(QLatin1Char('.'), separator);
        rows.push_back({text, s});
    }
    return rows;
}

void InsertRow(std::vector<EditRow>& rows, int at) {
    if (rows.empty() || at < 0 || at >= int(rows.size())) return;
    rows.pop_back();
    rows.insert(rows.begin() + at, EditRow{QStringLiteral("0"), 0.0f});
}

void DeleteRow(std::vector<EditRow>& rows, int at) {
    if (at < 0 || at >= int(rows.size())) return;
    rows.erase(rows.begin() + at);
    rows.push_back({QStringLiteral("0"), 0.0f});
}

std::optional<std::vector<float>> EditedSamples(const std::vector<EditRow>& rows, double vpk,
                                                QChar separator, int& badRow) {
    std::vector<float> out(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].sample) {
            out[i] = *rows[i].sample;
            continue;
        }
        QString t = rows[i].text.trimmed();
        t.replace(separator, QLatin1Char('.'));
        bool ok = false;
        const double volts = t.toDouble(&ok);
        if (!ok || !std::isfinite(volts) || vpk <= 0) {
            badRow = static_cast<int>(i);
            return std::nullopt;
        }
        out[i] = static_cast<float>(std::clamp(volts / vpk, -1.0, 1.0));
    }
    return out;
}

QString EntryErrorMessage(int row) {
    return QStringLiteral("Found Data Entry Error at Position ") + QString::number(row) +
           QStringLiteral("Please Correct.");
}

} // namespace ostrel
