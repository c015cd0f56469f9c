#include "ui/paths.h"

#include <QCoreApplication>

namespace lexidrop::ui {

std::filesystem::path programDirectory()
{
    return std::filesystem::path(QCoreApplication::applicationDirPath().toStdString());
}

DataPaths defaultDataPaths() { return dataPathsIn(programDirectory()); }

DataPaths dataPathsIn(const std::filesystem::path& directory)
{
    return DataPaths{directory, directory / "hs.txt"};
}

} // namespace lexidrop::ui
