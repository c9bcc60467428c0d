// The Statistics group's Export: the loaded run file's runs and figures as a CSV file.

#include "app/ui/MainWindow.h"

#include "app/Files.h"
#include "app/ui/Prompter.h"
#include "app/ui/Widgets.h"
#include "stats/CsvExport.h"

#include <QFileDialog>
#include <QLabel>

void TForm1::Button11Click()
{
    if (!FileListBox1->hasSelection())
        return;
    const QString path = prompter().chooseFile(*FileSaveDialog1);
    if (path.isEmpty())
        return;
    csv::Runs runs;
    runs.rt = rt;
    runs.shift = {shift1, shift2, shift3, shift4};
    runs.bump = bump;
    QStringList statistics;
    for (const QLabel *label : {NumRuns, NumReds, NumWins, Avg, Sprd, ShftAvg1, ShftAvg2, ShftAvg3, ShftAvg4})
        statistics.append(label->text());
    files::writeFile(path, csv::exportText(runs, statistics));
    FileSaveDialog1->selectFile(QString());
}
