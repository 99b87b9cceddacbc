// The program's version, for the version page, the settings and the
// version resource alike: 110 is 1.10. Plain defines: the resource
// compiler reads this file too.
#pragma once

#define VEMTAR_VERSION 110
#define VEMTAR_VERSION_TEXT "1.10"
