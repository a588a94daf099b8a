// The reader's image path on any bytes, as a file in the working directory
// (which holds Kelvo.bmp): loading either fails with a message or gives an
// upright RGB picture, and a picture is read to a code that exists or to none.
#include "imageloader.h"
#include "stampreader.h"

#include <QFile>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const KnownCodes known = KnownCodes::fromStore();
    static StampReader reader(known);
    const QString name = QStringLiteral("fuzz-photo");
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
        std::abort();
    file.close();
    const ImageLoader::Result loaded = ImageLoader::load(name);
    if (loaded.image.isNull() == loaded.error.isEmpty()
        || (!loaded.image.isNull() && loaded.image.format() != QImage::Format_RGB888))
        std::abort();
    if (const std::optional<std::string> code = reader.read(loaded.image);
        code && !known.contains(*code))
        std::abort();
    return 0;
}
