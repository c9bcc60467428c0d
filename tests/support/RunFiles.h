#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Builds a run file's bytes field by field: fixed-width zero-padded digits, one separator byte
// after each field. A new file has every digit field at zero.
class RunFileBytes {
public:
    static constexpr int kFull = 1748, kShort = 330, kRallycross = 323;

    explicit RunFileBytes(int size = kFull) : m_data(size, ',')
    {
        for (int r = 1; r <= 50; ++r)
            rt(r, 0);
        for (int offset : {300, 304, 308})
            digits(offset, 3, 0);
        digits(312, 5, 0);
        digits(318, 5, 0);
        for (int n = 1; n <= 4; ++n)
            shiftAverage(n, 0);
        for (int r = 1; r <= 50; ++r) {
            for (int n = 1; n <= 4; ++n)
                shift(r, n, 0);
            bump(r, 0);
        }
    }

    // Writes `value` as `width` digits at `offset`; parts past the file's end are left out.
    RunFileBytes &digits(int offset, int width, int value)
    {
        return raw(offset, QByteArray::number(value).rightJustified(width, '0'));
    }
    RunFileBytes &raw(int offset, const QByteArray &bytes)
    {
        for (int i = 0; i < bytes.size(); ++i)
            if (offset + i < m_data.size())
                m_data[offset + i] = bytes[i];
        return *this;
    }

    RunFileBytes &rt(int run, int thousandths) { return digits(6 * (run - 1), 5, thousandths); }
    RunFileBytes &runs(int count) { return digits(300, 3, count); }
    RunFileBytes &wins(int count) { return digits(304, 3, count); }
    RunFileBytes &reds(int count) { return digits(308, 3, count); }
    RunFileBytes &average(int thousandths) { return digits(312, 5, thousandths); }
    RunFileBytes &spread(int thousandths) { return digits(318, 5, thousandths); }
    RunFileBytes &shiftAverage(int n, int thousandths) { return digits(324 + 6 * (n - 1), 5, thousandths); }
    RunFileBytes &shift(int run, int n, int thousandths)
    {
        return digits(348 + 24 * (run - 1) + 6 * (n - 1), 5, thousandths);
    }
    RunFileBytes &bump(int run, int count) { return digits(1548 + 4 * (run - 1), 3, count); }
    // Marks shift column n as unused (run 1 at 10.000 s).
    RunFileBytes &noShift(int n) { return shift(1, n, 10000); }

    const QByteArray &bytes() const { return m_data; }

    bool save(const QString &path) const
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(m_data) == m_data.size();
    }

private:
    QByteArray m_data;
};
