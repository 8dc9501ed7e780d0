#pragma once
// The source-resident test options: the firmware of some sources carries a
// standard's test steps, and the program only picks tests, starts each with
// one option command and follows it to its end. One descriptor per option
// says what differs between them; the run, the files and the window are
// shared.
#include <QString>
#include <QStringList>

#include <vector>

namespace ostrel {

struct OutputState;
struct SourceModel;

enum class ResidentKind { Ms704, Mil704, Do160 };

// The on-screen groups of the check lists.
enum class ResidentSection { Normal, Transients, Transfer, Abnormal, Emergency, PowerFail };

struct ResidentGroup {
    QString code;          // the set-up word: "SAC", "400Hz", "ACF"
    QString durationsKey;  // its part of the durations section name
    double frequency = 400; // nominal; 0 = the operator's choice (variable frequency)
    bool threePhase = false; // needs three outputs
    bool variable = false;   // variable-frequency group
};

struct ResidentOption {
    ResidentKind kind;
    QString window;      // "frmMS704"
    QString optionText;  // "-704F"
    int optionIndex;     // position in SourceModel::Options
    QString optionName;  // "MIL-STD 704 (MS704)"
    QString prefix;      // put before each catalogue entry: "ms704", "*OPC;:MIL704"
    QStringList catalogue;
    QStringList names;   // display names, one per entry
    std::vector<ResidentSection> sections; // one per entry
    QStringList standards; // "Test_Standard" values the option's files carry
    QStringList revisions; // cmbRevision
    std::vector<ResidentGroup> groups;
    QString revisionQuery, groupQuery, frequencyQuery; // "" when the option has none
    QString extension;   // ".704"
    QString fileFilter;
    QString saveTitle;
    QString durationsPrefix; // "MS704_Group_"
    QString reportPrefix;    // report file name before its number ("%1" = group)
    QString reportTemplate;  // the document report's template ("%1" = group)
    bool skipAndRepeat = false; // cmdSkip, chkVarFreqRepeat

    QString command(int index) const { return prefix + catalogue.value(index); }
    int groupIndex(const QString& code) const;
};

const ResidentOption& ResidentOptionFor(ResidentKind kind);
const std::vector<const ResidentOption*>& ResidentOptions();
// By window name ("frmMS704") or option word ("ms704", "mil704", "do160").
const ResidentOption* FindResidentOption(const QString& name);

// The ".704" and ".160" sections of a catalogue entry's flag.
QString ResidentSectionName(ResidentSection section);

// The frequencies a set-up offers for a group (cmbFrequency).
QStringList ResidentFrequencies(const ResidentOption& option, const ResidentGroup& group);
// The repeat frequencies of a variable-frequency group, in run order.
QList<double> ResidentRepeatFrequencies();

// Report title by the file's standard word ("MS704", "RTCA", "AIRB", ...).
QString ResidentReportTitle(const QString& standard);

// The steady state the option's tests start from; empty when it fits, else
// the message, lines joined by CR LF.
QString ResidentOpeningRefusal(const ResidentOption& option, const OutputState& out);

// The option is installed when its flag is 1.
bool ResidentOptionInstalled(const ResidentOption& option, const SourceModel& model);

} // namespace ostrel
