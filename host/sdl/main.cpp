// murlo: the game in its desktop window. No command line, no settings.
#include "game/game.h"

int main() { murlo::game_main(); }
