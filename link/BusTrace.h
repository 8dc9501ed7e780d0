#pragma once
// The bus monitor's list: every traced command and reply, in order. The bus
// monitor window shows it; the command-line tool prints it as it grows.
#include <QAbstractListModel>
#include <QStringList>

namespace ostrel {

class BusTraceModel : public QAbstractListModel {
    Q_OBJECT
public:
    // A trace write that finds this many entries empties the list first.
    static constexpr int kMaxEntries = 32701;

    using QAbstractListModel::QAbstractListModel;

    void add(const QString& entry);
    void clear();
    const QStringList& entries() const { return entries_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    QStringList entries_;
};

} // namespace ostrel
