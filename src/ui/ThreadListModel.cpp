#include "ui/ThreadListModel.h"

#include <QString>

namespace maplink {

ThreadListModel::ThreadListModel(const ThreadManager& manager) : m_Manager(manager) {}

int ThreadListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_RowCount; }

int ThreadListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant ThreadListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.model() != this) return {};
  const int column = index.column();
  return m_Manager.ReadThread(index.row(),
                              [column](const SingleThread* thread) { return CellText(thread, column); });
}

QVariant ThreadListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
    return QAbstractTableModel::headerData(section, orientation, role);
  }
  switch (section) {
    case kNameColumn:
      return QStringLiteral("Thread Name");
    case kIdColumn:
      return QStringLiteral("Thread ID");
    case kCpuColumn:
      return QStringLiteral("CPU Useage");
    case kKernelCpuColumn:
      return QStringLiteral("Kernel CPU Useage");
    case kStateColumn:
      return QStringLiteral("Thread State");
    default:
      return {};
  }
}

Qt::ItemFlags ThreadListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void ThreadListModel::Refresh() {
  SetRowCount(m_Manager.GetThreadCount());
  if (m_RowCount > 0) {
    emit dataChanged(index(0, 0), index(m_RowCount - 1, kColumnCount - 1), {Qt::DisplayRole});
  }
}

QVariant ThreadListModel::CellText(const KestThread* thread, int column) {
  if (thread == nullptr) return column == kNameColumn ? QVariant(QStringLiteral("ERROR")) : QVariant();
  switch (column) {
    case kNameColumn:
      return QString::fromStdString(thread->GetName());
    case kIdColumn:
      return QString::number(thread->GetThreadId());
    case kCpuColumn:
      return QString::number(thread->GetCpuUsage());
    case kKernelCpuColumn:
      return QString::number(thread->GetKernelCpuUsage());
    case kStateColumn:
      return QString::fromStdString(thread->GetStateText());
    default:
      return {};
  }
}

void ThreadListModel::SetRowCount(int rowCount) {
  if (rowCount > m_RowCount) {
    beginInsertRows(QModelIndex(), m_RowCount, rowCount - 1);
    m_RowCount = rowCount;
    endInsertRows();
  } else if (rowCount < m_RowCount) {
    beginRemoveRows(QModelIndex(), rowCount, m_RowCount - 1);
    m_RowCount = rowCount;
    endRemoveRows();
  }
}

}  // namespace maplink
