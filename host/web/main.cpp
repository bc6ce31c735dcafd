// murlo: the game in a web page (see web_host.cpp).
#include "game/game.h"

int main() { murlo::game_main(); }
