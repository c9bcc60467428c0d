// The table of commands: names, arguments, options and help lines.

#include "tools/cli/Commands.h"

namespace cli {

const std::vector<Command> &commands()
{
    static const std::vector<Command> list = {
        {QStringLiteral("ports"), {}, QStringLiteral("list the serial ports with the number the Setup dialog uses for each"),
         {}, 0, 0, false, runPorts},
        {QStringLiteral("info"), {}, QStringLiteral("connect, print version, serial number and rallycross, disconnect"),
         {}, 0, 0, true, runInfo},
        {QStringLiteral("download"), {}, QStringLiteral("download every run file into a folder and print each stored path"),
         {{QStringLiteral("--dir"), {}, QStringLiteral("DIR"), QStringLiteral("where to store them (default: the program's Statistics folder)")},
          {QStringLiteral("--driver"), {}, QStringLiteral("NAME"),
           QStringLiteral("the driver the sessions go to (default: the one new downloads go to; \"\" for none)")}},
         0, 0, true, runDownload},
        {QStringLiteral("delete-device-files"), {}, QStringLiteral("delete the run files on the device, asking first"),
         {{QStringLiteral("--yes"), QStringLiteral("-y"), {}, QStringLiteral("do not ask")}},
         0, 0, true, runDeleteDeviceFiles},
        {QStringLiteral("show"), QStringLiteral("RUNFILE"), QStringLiteral("print a run file's figures and a table of its runs"),
         {}, 1, 1, false, runShow},
        {QStringLiteral("export"), QStringLiteral("RUNFILE"), QStringLiteral("write a run file's runs and figures as CSV"),
         {{QStringLiteral("--output"), QStringLiteral("-o"), QStringLiteral("CSV"),
           QStringLiteral("the CSV file (default: the run file's name with .csv; - for standard output)")},
          {QStringLiteral("--force"), QStringLiteral("-f"), {}, QStringLiteral("replace the CSV file if it exists")}},
         1, 1, false, runExport},
        {QStringLiteral("history"), {},
         QStringLiteral("print the practice history: one line per run file brought home, oldest first"),
         {{QStringLiteral("--device"), {}, QStringLiteral("SERIAL"), QStringLiteral("only the sessions of the device with this serial number")},
          {QStringLiteral("--driver"), {}, QStringLiteral("NAME"), QStringLiteral("only the sessions of this driver (\"\" for those of none)")},
          {QStringLiteral("--csv"), {}, {}, QStringLiteral("CSV as Export writes it (dates as yyyy-MM-dd HH:mm:ss)")},
          {QStringLiteral("--summary"), {}, {}, QStringLiteral("print the personal bests and the reaction times' distribution")}},
         0, 0, false, runHistory},
        {QStringLiteral("assign"), QStringLiteral("FILE..."),
         QStringLiteral("give the sessions of these run files (by file name) to a driver"),
         {{QStringLiteral("--driver"), {}, QStringLiteral("NAME"), QStringLiteral("the driver, made when new (\"\" takes the sessions back)")}},
         1, 100000, false, runAssign},
        {QStringLiteral("goal"), {}, QStringLiteral("set a driver's goal: a target average and a largest spread"),
         {{QStringLiteral("--driver"), {}, QStringLiteral("NAME"), QStringLiteral("the driver, made when new")},
          {QStringLiteral("--average"), {}, QStringLiteral("SECONDS"), QStringLiteral("the target average reaction time, such as 0.510")},
          {QStringLiteral("--spread"), {}, QStringLiteral("SECONDS"), QStringLiteral("the largest spread, such as 0.020")},
          {QStringLiteral("--clear"), {}, {}, QStringLiteral("remove the driver's goal")}},
         0, 0, false, runGoal},
        {QStringLiteral("settings"), {}, QStringLiteral("connect and print the practice settings"),
         {{QStringLiteral("--rallycross"), {}, {}, QStringLiteral("print the rallycross settings too")}},
         0, 0, true, runSettings},
        {QStringLiteral("image fit"), QStringLiteral("PICTURE"),
         QStringLiteral("write the working bitmap, user.txt and user.raw for a picture, fitted to 480 x 272"),
         {{QStringLiteral("--output"), QStringLiteral("-o"), QStringLiteral("DIR"),
           QStringLiteral("where to write them (default: the program folder)")}},
         1, 1, false, runImageFit},
        {QStringLiteral("image send"), QStringLiteral("PICTURE"), QStringLiteral("fit a picture and upload it to the device's display"),
         {}, 1, 1, true, runImageSend},
        {QStringLiteral("image show"), {}, QStringLiteral("show the device's stored picture on its display"),
         {}, 0, 0, true, runImageShow},
        {QStringLiteral("image delete"), {}, QStringLiteral("delete the device's stored picture"),
         {}, 0, 0, true, runImageDelete},
    };
    return list;
}

} // namespace cli
