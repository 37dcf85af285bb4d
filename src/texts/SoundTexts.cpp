#include "texts/SoundTexts.h"

#include "texts/TextTable.h"

namespace {
constexpr TextTable<SoundTextId, 3> kSoundTexts{{{
    {SoundTextId::EvenLoudness, {"Volume &uniforme del parlato", "Volumen &uniforme de la voz"}},
    {SoundTextId::Mono,
     {"Audio &mono (stesso suono nei due canali)", "Sonido &mono (igual en los dos canales)"}},
    {SoundTextId::ShortSilences, {"Accorcia i &silenzi", "Acortar los &silencios"}},
}}};
static_assert(kSoundTexts.InIdOrder(), "one row per text, in the order of SoundTextId");
} // namespace

QString SoundOptionText(SoundTextId id, int language) {
    return kSoundTexts(id, language);
}
