#pragma once
// The sequencer's text report: the lines the printer and the PDF file show,
// and a plain PDF of fixed-width lines that needs no window system (the
// command-line tool writes it).
#include "automation/SequenceTable.h"
#include "automation/SequencerRun.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace ostrel {

struct SequenceReportData {
    QString model;
    QString serial;
    int outputMode = 0;
    bool threePhase = false;
    bool simulated = false;
    SequenceUserData user;
    SequencerOptions options;
    SequenceTable table;
    QDateTime printedOn;
};

// Heading lines, then per phase taking part the grid in fixed-width columns.
QStringList SequenceReportLines(const SequenceReportData& data);

// Courier on landscape A4 pages, as many lines to a page as fit; through a
// save file, whole or not at all.
bool WriteTextPdf(const QString& path, const QStringList& lines, QString& error);

} // namespace ostrel
