// Runs a fuzz target's entry point over files and folders of inputs, without libFuzzer: the
// test suite replays every input that ever crashed or hung a target this way.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList files;
    for (const QString& argument : app.arguments().mid(1)) {
        const QFileInfo info(argument);
        if (info.isDir()) {
            for (const QFileInfo& entry : QDir(argument).entryInfoList(QDir::Files, QDir::Name))
                files << entry.filePath();
        } else {
            files << argument;
        }
    }
    for (const QString& path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
            return 1;
        }
        const QByteArray input = file.readAll();
        std::fprintf(stderr, "%s\n", qPrintable(path));
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.constData()), size_t(input.size()));
    }
    std::fprintf(stderr, "replayed %lld input(s)\n", static_cast<long long>(files.size()));
    return 0;
}
