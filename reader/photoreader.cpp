#include "photoreader.h"

#include "imageloader.h"
#include "stampreader.h"
#include "storeerror.h"

#include <malloc.h>

PhotoReader::PhotoReader() = default;
PhotoReader::~PhotoReader() = default;

QString PhotoReader::prepare()
{
    if (m_reader)
        return QString();
    try {
        m_known = KnownCodes::fromStore();
    } catch (const StoreError &error) {
        return error.message();
    }
    auto reader = std::make_unique<StampReader>(*m_known);
    if (!reader->isReady())
        return QStringLiteral("Il riconoscitore dei caratteri non è nel programma.");
    m_reader = std::move(reader);
    return QString();
}

void PhotoReader::release()
{
    m_reader.reset(); // first: it searches m_known
    m_known.reset();
    // Most of it was freed in small pieces, which the allocator keeps.
    malloc_trim(0);
}

PhotoReader::Outcome PhotoReader::read(const QString &fileName, std::stop_token stop)
{
    if (QString error = prepare(); !error.isEmpty())
        return {QString(), error};
    const ImageLoader::Result loaded = ImageLoader::load(fileName);
    if (loaded.image.isNull())
        return {QString(), loaded.error};
    return read(loaded.image, std::move(stop));
}

PhotoReader::Outcome PhotoReader::read(const QImage &photo, std::stop_token stop)
{
    if (QString error = prepare(); !error.isEmpty())
        return {QString(), error};
    if (photo.isNull())
        return {QString(), QStringLiteral("L'immagine non si può leggere.")};
    if (qint64(photo.width()) * photo.height() > ImageLoader::MaxPixels)
        return {QString(),
            QStringLiteral("L'immagine è troppo grande (%1 × %2 pixel).")
                .arg(photo.width())
                .arg(photo.height())};
    const std::optional<std::string> code = m_reader->read(photo.format() == QImage::Format_RGB888
            ? photo
            : photo.convertToFormat(QImage::Format_RGB888),
        std::move(stop));
    return {code ? QString::fromStdString(*code) : QString(), QString()};
}
