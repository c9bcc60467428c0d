// mirelon-fuzz-seeds OUTDIR: writes the fuzz targets' seed inputs, OUTDIR/<target>/<name>, from
// the same generators the tests and the simulator use.

#include "tools/sim/RunFiles.h"
#include "tools/sim/SettingsCommands.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

QString outDir;
bool failed = false;

void seed(const char *target, const QString &name, const QByteArray &bytes)
{
    const QString folder = outDir + QLatin1Char('/') + QLatin1String(target);
    QDir().mkpath(folder);
    QFile file(folder + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
        failed = true;
    }
}

void runFileSeeds()
{
    struct Plan {
        const char *name;
        sim::RunFileKind kind;
        int runs, shifts;
        bool bumps;
    };
    const Plan plans[] = {
        {"FULL    ", sim::RunFileKind::Full, 12, 3, true},
        {"MANYRUNS", sim::RunFileKind::Full, 62, 4, true},
        {"NOSHIFT ", sim::RunFileKind::Full, 5, 0, false},
        {"OLD     ", sim::RunFileKind::Short, 20, 1, false},
        {"RALLY   ", sim::RunFileKind::Rallycross, 8, 0, false},
        {"EMPTY   ", sim::RunFileKind::Full, 0, 2, true},
    };
    std::uint32_t seedNumber = 1;
    for (const Plan &plan : plans) {
        const QByteArray file = sim::encodeRunFile(sim::generateSession(seedNumber++, plan.runs, plan.shifts, plan.bumps), plan.kind);
        const char flags = plan.kind == sim::RunFileKind::Rallycross ? 1 : 0;
        seed("runfile", QString::fromLatin1(plan.name).trimmed(), QByteArray(1, flags) + plan.name + file);
    }
    seed("runfile", QStringLiteral("odd-name"), QByteArray("\0../C:*?\t", 9) + QByteArray(40, '9'));
}

void settingsSeeds()
{
    const sim::SettingsRecords records = sim::defaultSettingsRecords();
    seed("settings", QStringLiteral("default"), records.practice + records.rallycross);
    seed("settings", QStringLiteral("practice-only"), records.practice);
    sim::SettingsRecords odd = records;
    for (const auto &[field, chars] : std::initializer_list<std::pair<const char *, QByteArray>>{
             {"LLog", "        "}, {"LTType", "3"}, {"RdmDial", "9"}, {"BtnMtnR", "3"}, {"AutoStartTime", "00"}})
        sim::setSettingsField(odd, QString::fromLatin1(field), chars);
    seed("settings", QStringLiteral("odd-codes"), odd.practice + odd.rallycross);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: mirelon-fuzz-seeds OUTDIR\n");
        return 2;
    }
    outDir = QFile::decodeName(argv[1]);
    runFileSeeds();
    settingsSeeds();
    return failed ? 1 : 0;
}
