// Every size and count limit of the program in one place: what a document, an image, an archive or a
// download may grow to before it is refused, and the fixed step sizes that bound each read.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Limits
{

// XML streaming reader (KELDASax).

// Deepest element nesting accepted; deeper documents fail rather than grow the element stack.
constexpr size_t kMaxXmlDepth = 10000;
// Largest document ReadXmlFile loads, plain or after inflating a ".gz" file.
constexpr size_t kMaxXmlDocumentBytes = size_t(1) << 30;
// Output step of inflating a ".gz" document.
constexpr size_t kXmlInflateBlock = 131072;
// A manifest's ".gz" copy may inflate to at most this many times the plain file's size, plus the slack
// below; a larger one is not read and the plain file is read instead.
constexpr uint64_t kMaxCompressedCopyGrowth = 4;
constexpr uint64_t kCompressedCopySlackBytes = uint64_t(64) << 10;

// Binary manifest cache image (GalleryCache, CGallerySerializationStream).

// Largest image written or read: offsets in the image are 32-bit.
constexpr uint64_t kMaxCacheImageBytes = 0xFFFFFFFFull;

// Threads and the gallery model's recursive walks.

// The smallest stack a thread of the program may run on: threads started with the default size get the
// C library's default, which is 2 MiB when the stack limit is unlimited (8 MiB otherwise).
constexpr size_t kMinThreadStackBytes = size_t(2) << 20;
// Deepest activity nesting of a manifest. Every recursive walk of the model (manifest reader and writer,
// cache image, merge, destruction) stays within it, and at this depth the deepest walk takes well under
// kMinThreadStackBytes, sanitizers included.
constexpr size_t kMaxActivityDepth = 1000;
// Piece in which an image is read and checksummed, small enough to stay in the processor's cache.
constexpr uint64_t kCacheReadPiece = uint64_t(256) << 10;
// Largest single read(2) of the serialization stream.
constexpr uint64_t kMaxStreamReadBytes = uint64_t(1) << 30;

// Text.

// Longest text Text::Format produces, in characters; a longer result comes back empty.
constexpr size_t kMaxFormattedText = size_t(1) << 26;

// Unique names (temporary files, fresh sub-folders).

// Candidate names tried before giving up on finding a free one.
constexpr int kMaxUniqueNameAttempts = 100000;

// ZIP archives (CZipHelper).

// Entries are indexed with 16 bits; an archive with more is refused as a whole (this also bounds how many
// files one extraction creates).
constexpr size_t kMaxZipEntries = 65535;
// Largest entry that UnzipToMemory hands out (manifests, metadata, item files); larger ones fail.
constexpr size_t kMaxZipMemoryEntry = size_t(256) << 20;
// Longest entry name (the ZIP format stores its length in 16 bits).
constexpr size_t kMaxZipNameLength = 65535;
// Buffer of one extraction step.
constexpr size_t kZipExtractBuffer = 65536;
// Most bytes one extraction writes in all, declared or actually inflated; a larger archive is refused.
constexpr uint64_t kMaxZipTotalBytes = uint64_t(4) << 30;
// Most bytes written per byte of archive, once more than kZipRatioFloorBytes were written (small
// files of one repeated byte compress far better than that and are no threat).
constexpr uint64_t kMaxZipRatio = 200;
constexpr uint64_t kZipRatioFloorBytes = uint64_t(16) << 20;

// Resumable HTTP downloader (QHttpWithResume).

// Redirects followed for one request when following is on.
constexpr int kMaxRedirects = 10;
// Restarts from byte zero after a refused range (416 or a 206 that does not continue the file).
constexpr int kMaxRangeRestarts = 1;
// Largest chunk read from a reply at once.
constexpr int64_t kDownloadReadChunk = 65536;
// Largest body an in-memory download (Get) keeps; a larger answer fails.
constexpr int64_t kMaxDownloadMemoryBytes = int64_t(256) << 20;
// A ".st" state file is four short lines; a larger one is not ours and is ignored.
constexpr int64_t kMaxDownloadStateFileBytes = 64 * 1024;
// A body of at most this size (declared, or received so far) is a small document (a categories file,
// an update description, an online-resource list): its whole request, redirects included, must be done
// within kSmallDocumentDeadlineMs.
constexpr int64_t kSmallDocumentBytes = int64_t(4) << 20;
constexpr int kSmallDocumentDeadlineMs = 120000;
// Any download slower on average than kMinDownloadRate bytes per second, once kDownloadRateGraceMs have
// passed since its request, is aborted: a server cannot keep a transfer alive by trickling its body.
constexpr int64_t kMinDownloadRate = 1024;
constexpr int kDownloadRateGraceMs = 60000;

// Online resources (src/gallery/online).

// Largest urlresources document read; a larger download is refused and the defaults stay.
constexpr size_t kMaxOnlineDocumentBytes = size_t(1) << 20;
// Largest RSS feed and page template read.
constexpr size_t kMaxOnlineFeedBytes = size_t(16) << 20;
// Entries of a feed put into the resources page; later items are ignored.
constexpr size_t kMaxOnlineFeedItems = 200;
// Longest title or link of a feed entry, in characters; longer ones are cut.
constexpr size_t kMaxOnlineFeedText = 2048;
// Trusted checksums a urlresources document may add.
constexpr size_t kMaxOnlineChecksums = 1024;

} // namespace Limits
