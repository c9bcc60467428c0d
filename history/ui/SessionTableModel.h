#pragma once

#include "history/Sessions.h"
#include "history/Filters.h"

#include <QAbstractTableModel>
#include <QColor>

#include <list>
#include <vector>

namespace history {
class PracticeStore;
}

// The History window's table over the store: it holds the sessions' ids in date order and reads
// the rows a view asks for a block at a time, keeping a few blocks; the rest stays in the store.
class SessionTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit SessionTableModel(history::PracticeStore &store, QObject *parent = nullptr);

    // Reads the ids again, of all sessions or one device's and one driver's; with a goal, the
    // sessions that met it are marked.
    void reload(const history::DeviceFilter &serial, const history::DriverFilter &driver = std::nullopt,
                const std::optional<history::Goal> &goal = std::nullopt);
    // The session of a row; null when the row is out of range or the store no longer has it.
    const history::Session *session(int row) const;
    // Greys the rows of sessions without figures in this colour.
    void setMutedColor(const QColor &color);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    static constexpr int kBlockRows = 128;
    static constexpr size_t kBlocksKept = 8;

private:
    struct Block {
        int first = 0;                      // the block's first row
        std::vector<history::Session> rows; // by row; id 0 where the store had none
        std::vector<QStringList> texts;
    };
    const Block &blockOf(int row) const;

    history::PracticeStore &m_store;
    std::vector<qint64> m_ids;
    QStringList m_header;
    QColor m_muted;
    std::optional<history::Goal> m_goal;
    mutable std::list<Block> m_blocks; // the most recently used first
};
