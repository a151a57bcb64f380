// QtDownloader::IContentDecoder: a decoder of one or more HTTP content codings. A request announces
// the names its decoders accept in Accept-Encoding; with no decoders it asks for the identity coding,
// so the stored bytes are exactly the bytes the server sent.
#pragma once

#include <QList>
#include <QStringList>

#include <memory>

namespace QtDownloader
{

class IContentDecoder
{
  public:
    virtual ~IContentDecoder() = default;
    // Content-coding names this decoder accepts ("gzip", ...).
    virtual QStringList AcceptedEncodings() const = 0;
};

using ContentDecoders = QList<std::shared_ptr<IContentDecoder>>;

} // namespace QtDownloader
