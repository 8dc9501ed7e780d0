#include "link/BusTrace.h"

namespace ostrel {

void BusTraceModel::add(const QString& entry) {
    if (entries_.size() >= kMaxEntries) clear();
    const int row = static_cast<int>(entries_.size());
    beginInsertRows({}, row, row);
    entries_.append(entry);
    endInsertRows();
}

void BusTraceModel::clear() {
    beginResetModel();
    entries_.clear();
    endResetModel();
}

int BusTraceModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

QVariant BusTraceModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= entries_.size()) return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole) return entries_.at(index.row());
    return {};
}

} // namespace ostrel
