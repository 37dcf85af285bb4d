#pragma once

#include <QString>

/// "3 di 27" / "3 de 27": a track's place in a list of count tracks, number counted from 1.
QString ListPlaceText(int number, int count, int language);
