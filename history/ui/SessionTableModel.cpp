#include "history/ui/SessionTableModel.h"

#include "history/PracticeStore.h"

#include <QDir>

#include <algorithm>
#include <limits>

SessionTableModel::SessionTableModel(history::PracticeStore &store, QObject *parent)
    : QAbstractTableModel(parent), m_store(store), m_header(history::tableHeader())
{
}

void SessionTableModel::reload(const history::DeviceFilter &serial, const history::DriverFilter &driver,
                               const std::optional<history::Goal> &goal)
{
    beginResetModel();
    m_blocks.clear();
    m_goal = goal;
    m_ids = m_store.sessionIds(serial, driver);
    // A view's rows are ints.
    if (m_ids.size() > size_t(std::numeric_limits<int>::max()))
        m_ids.resize(size_t(std::numeric_limits<int>::max()));
    endResetModel();
}

void SessionTableModel::setMutedColor(const QColor &color)
{
    m_muted = color;
    if (!m_ids.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::ForegroundRole});
}

const SessionTableModel::Block &SessionTableModel::blockOf(int row) const
{
    const int first = row - row % kBlockRows;
    const auto found = std::find_if(m_blocks.begin(), m_blocks.end(), [first](const Block &b) { return b.first == first; });
    if (found != m_blocks.end()) {
        m_blocks.splice(m_blocks.begin(), m_blocks, found);
        return m_blocks.front();
    }
    Block block;
    block.first = first;
    const auto begin = m_ids.begin() + first;
    const std::vector<qint64> ids(begin, begin + std::min<qsizetype>(kBlockRows, qsizetype(m_ids.size()) - first));
    std::vector<history::Session> found_ = m_store.sessionsWithIds(ids);
    // By id, in the rows' order: a session deleted since (by another program) leaves its row empty.
    block.rows.resize(ids.size());
    block.texts.resize(ids.size());
    const QLocale locale;
    size_t next = 0;
    for (size_t i = 0; i < ids.size(); ++i) {
        auto it = std::find_if(found_.begin() + qsizetype(std::min(next, found_.size())), found_.end(),
                               [&](const history::Session &s) { return s.id == ids[i]; });
        if (it == found_.end())
            continue;
        next = size_t(it - found_.begin()) + 1;
        block.rows[i] = std::move(*it);
        block.texts[i] = history::tableRow(block.rows[i], locale);
        if (m_goal && history::metGoal(block.rows[i], *m_goal))
            block.texts[i][0] += QStringLiteral(" \u2713"); // met the goal
    }
    m_blocks.push_front(std::move(block));
    if (m_blocks.size() > kBlocksKept)
        m_blocks.pop_back();
    return m_blocks.front();
}

const history::Session *SessionTableModel::session(int row) const
{
    if (row < 0 || row >= rowCount())
        return nullptr;
    const Block &block = blockOf(row);
    const history::Session &s = block.rows[size_t(row - block.first)];
    return s.id == 0 ? nullptr : &s;
}

int SessionTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_ids.size());
}

int SessionTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : history::kTableColumns;
}

QVariant SessionTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::TextAlignmentRole)
        return index.column() >= 3 ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != Qt::ForegroundRole)
        return {};
    const history::Session *s = session(index.row());
    if (!s)
        return {};
    switch (role) {
    case Qt::DisplayRole: {
        const Block &block = blockOf(index.row());
        return block.texts[size_t(index.row() - block.first)].value(index.column());
    }
    case Qt::ForegroundRole:
        return !s->figures && m_muted.isValid() ? QVariant(m_muted) : QVariant();
    case Qt::ToolTipRole:
        if (!s->figures)
            return QStringLiteral("The file's counts are not numbers: it has no figures to show");
        if (index.column() == 0 && m_goal && history::metGoal(*s, *m_goal))
            return QStringLiteral("This session met the goal");
        return index.column() == 2 ? QVariant(QDir::toNativeSeparators(s->path)) : QVariant();
    }
    return {};
}

QVariant SessionTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return m_header.value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}
