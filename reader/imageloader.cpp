#include "imageloader.h"

#include "heifreader.h"
#include "storeerror.h"

#include <QFile>
#include <QImageReader>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString UnknownFormat
    = QStringLiteral("%1 non è una foto in un formato noto (JPEG, PNG, WebP o HEIC).");
const QString Damaged = QStringLiteral("La foto %1 è danneggiata o incompleta.");
const QString ReadError = QStringLiteral("Errore di lettura della foto %1.");
const QString Unsupported
    = QStringLiteral("La foto %1 non si può leggere: formato non gestito o troppo grande.");

ImageLoader::Result failure(const QString &text, const QString &fileName)
{
    return {QImage(), text.arg(fileName)};
}

ImageLoader::Result tooLarge(const QString &fileName, QSize size)
{
    return {QImage(),
        QStringLiteral("La foto %1 è troppo grande (%2 × %3 pixel).")
            .arg(fileName, QString::number(size.width()), QString::number(size.height()))};
}

} // namespace

ImageLoader::Result ImageLoader::load(const QString &fileName)
{
    // Opened without blocking, then checked: the file that is read is the one checked.
    const QByteArray path = QFile::encodeName(fileName);
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat info = {};
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        return {QImage(),
            QStringLiteral("La foto %1 non si può leggere: %2.")
                .arg(fileName, StoreError::systemCause(error))};
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return failure(QStringLiteral("La foto %1 non si può leggere."), fileName);
    }
    if (S_ISDIR(info.st_mode))
        return failure(QStringLiteral("%1 è una cartella, non una foto."), fileName);
    if (!S_ISREG(info.st_mode))
        return failure(
            QStringLiteral("%1 non è un file ma una pipe, un socket o un dispositivo."), fileName);
    if (info.st_size == 0)
        return failure(QStringLiteral("Il file %1 è vuoto."), fileName);

    // HEIF (an iPhone's HEIC) goes to libheif, whatever Qt's plugins might make of it.
    if (HeifReader::isHeif(file.peek(HeifReader::HeadSize))) {
        if (info.st_size > qint64(AllocationLimitMb) * 1024 * 1024)
            return failure(QStringLiteral("La foto %1 è troppo grande."), fileName);
        const QByteArray bytes = file.readAll();
        if (bytes.size() != info.st_size)
            return failure(ReadError, fileName);
        const HeifReader::Result heif = HeifReader::read(bytes, MaxPixels);
        switch (heif.error) {
        case HeifReader::Error::None: return {heif.image, QString()};
        case HeifReader::Error::Unsupported: return failure(Unsupported, fileName);
        case HeifReader::Error::TooLarge: return tooLarge(fileName, heif.size);
        case HeifReader::Error::Damaged: return failure(Damaged, fileName);
        }
    }

    QImageReader reader(&file);
    reader.setAllocationLimit(AllocationLimitMb);
    reader.setAutoTransform(true);
    const QByteArray format = reader.format();
    if (format.isEmpty() || !reader.canRead())
        return failure(UnknownFormat, fileName);
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > MaxPixels)
        return tooLarge(fileName, size);
    if (format == "jpeg" && size.isValid()) {
        // libjpeg scales by 1/d exactly when asked for a size that divides by d.
        int d = 8;
        while (d > 1 && std::max(size.width(), size.height()) / d < MinLongSide)
            d /= 2;
        if (d > 1)
            reader.setScaledSize(size / d);
    }
    QImage image = reader.read();
    if (image.isNull()) {
        switch (reader.error()) {
        case QImageReader::InvalidDataError: return failure(Damaged, fileName);
        case QImageReader::DeviceError: return failure(ReadError, fileName);
        default: return failure(Unsupported, fileName);
        }
    }
    image.convertTo(QImage::Format_RGB888);
    return {image, QString()};
}
