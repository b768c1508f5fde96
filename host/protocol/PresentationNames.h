#pragma once
// Which names a controller may open, upload or see in the list. A name from
// the wire must stay a plain file directly inside the shared folder.
#include <QString>

namespace host {

// Text from the last "." on ("" when there is none).
QString extensionOf(const QString &name);
// The name up to its last "." (the whole name when it has none).
QString stemOf(const QString &name);

// No folder part, drive, control character, "." or "..".
bool isBareName(const QString &name);
// A bare name with a stem and the extension .ppt, .pptx or .pptm (any case).
bool isOpenablePresentationName(const QString &name);
// Upload names: names the list shows, at most 255 bytes both on the wire (GBK)
// and on disk.
bool isUploadName(const QString &name);
// Listed names: exactly the names an open accepts (openable, nothing for the
// open to trim away) that can travel as one GBK control line.
bool isListedName(const QString &name);

// A regular file (not a link, not a folder) named `name` directly in `folder`.
bool isRegularFileIn(const QString &folder, const QString &name);

}  // namespace host
