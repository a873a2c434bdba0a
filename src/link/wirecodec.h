#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The one code page of the wire and of the local text files: Windows-1252, one byte per character.
// The five bytes the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the control
// characters of the same value, so every byte survives a decode/encode round trip unchanged.
namespace WireCodec {

QString decode(QByteArrayView bytes);
// Characters the code page cannot hold become '?'.
QByteArray encode(QStringView text);

} // namespace WireCodec
