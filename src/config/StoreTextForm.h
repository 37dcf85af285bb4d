#pragma once

#include <QByteArray>

class TSectionTable;

/// The text form of a store file, both ways. Internal to src/config.
namespace StoreTextForm {

/// Fills table (empty) with the sections of bytes: lines end at CR LF, a lone CR or a lone LF and
/// are trimmed; empty lines and those beginning with ';' are skipped, as are lines before the first
/// "[name]"; "name = value" keeps its trimmed parts. Windows-1252, or UTF-8 after its byte-order mark.
void Parse(const QByteArray& bytes, TSectionTable& table);

/// The canonical text of table: "[name]", its lines, an empty line, each ended by CR LF.
/// Windows-1252 while every character fits, else UTF-8 after a byte-order mark.
QByteArray Serialize(const TSectionTable& table);

} // namespace StoreTextForm
