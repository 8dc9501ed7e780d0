#pragma once
// The disk waveform library: the ".abw" files of a folder and their download
// to the source, one group or all at once.
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace ostrel {

struct Program;

inline constexpr int kLibraryGroupSize = 12;

// The folder's files ending in ".abw" in any case, sorted by name ignoring
// case, as absolute paths; none for a missing folder.
QStringList LibraryFiles(const QString& folder);

struct BatchItem {
    QString file;
    QString name;
    QString reason; // why it was not taken; empty for a download
};

enum class BatchStop { None, MemoryFull, LinkLost, Operator, NoSource };

struct BatchReport {
    QList<BatchItem> downloaded;
    QList<BatchItem> failed;
    BatchStop stopped = BatchStop::None;
    int refused = 0;      // failed before anything of theirs was sent (name or file)
    int sourceErrors = 0; // refused by the source
};

// Downloads each file under its own name (`name` instead, when given, for a
// single file). A refused name or a damaged file is skipped and reported;
// the source's errors are read after each waveform's samples and reported
// under that file; memory full or a lost link stops the batch. `stop`, asked
// after each waveform, ends it there. The catalog is read once at the end.
BatchReport DownloadBatch(Program& program, const QStringList& files,
                          const std::optional<QString>& name = std::nullopt,
                          const std::function<bool()>& stop = {});

} // namespace ostrel
