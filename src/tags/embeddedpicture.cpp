#include "tags/embeddedpicture.h"

namespace quillet {

namespace {

struct PictureKind
{
    const char *signature;
    const char *mimeType;
    const char *extension;
};

constexpr PictureKind kKinds[] = {
    {"\xFF\xD8\xFF", "image/jpeg", "jpg"},
    {"\x89PNG\r\n\x1A\n", "image/png", "png"},
    {"GIF8", "image/gif", "gif"},
    {"BM", "image/bmp", "bmp"},
};

const PictureKind *kindOf(const QByteArray &data)
{
    for (const PictureKind &kind : kKinds) {
        if (data.startsWith(kind.signature))
            return &kind;
    }
    return nullptr;
}

} // namespace

QString EmbeddedPicture::fileExtension() const
{
    const PictureKind *kind = kindOf(data);
    return kind ? QString::fromLatin1(kind->extension) : QString();
}

QString EmbeddedPicture::mimeTypeOf(const QByteArray &data)
{
    const PictureKind *kind = kindOf(data);
    return kind ? QString::fromLatin1(kind->mimeType) : QString();
}

} // namespace quillet
