#pragma once

#include <QString>

/// The options dialog's check boxes for the sound.
enum class SoundTextId { EvenLoudness, Mono, ShortSilences };

/// The check box's text, with its access key; Spanish for LangSpanish, Italian otherwise.
QString SoundOptionText(SoundTextId id, int language);
