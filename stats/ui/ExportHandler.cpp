// The Statistics group's Export: the loaded run file's runs and figures as a CSV file.

#include "stats/ui/StatisticsGroup.h"

#include "base/Files.h"
#include "stats/CsvExport.h"
#include "widgets/FileListBox.h"
#include "widgets/Prompter.h"

#include <QFileDialog>
#include <QLabel>

void StatisticsGroup::Button11Click()
{
    if (!FileListBox1->hasSelection())
        return;
    QString path;
    for (;;) {
        const csv::SaveChoice choice = csv::saveChoice(prompter().chooseFile(saveDialog()));
        if (choice.action == csv::SaveChoice::Action::Cancel)
            return;
        if (choice.action == csv::SaveChoice::Action::Write) {
            path = choice.path;
            break;
        }
        if (!choice.message.isEmpty())
            showWarning(window(), choice.message);
        saveDialog().selectFile(choice.path);
    }
    runfile::Runs runs;
    runs.rt = rt;
    runs.shift = {shift1, shift2, shift3, shift4};
    runs.bump = bump;
    QStringList statistics;
    for (const QLabel *label : {NumRuns, NumReds, NumWins, Avg, Sprd, ShftAvg1, ShftAvg2, ShftAvg3, ShftAvg4})
        statistics.append(label->text());
    files::writeFile(path, csv::exportText(runs, statistics));
    clearSaveName();
}
