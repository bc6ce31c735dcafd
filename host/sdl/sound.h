// Sound: one opened audio device, each sound read from its WAV file,
// converted to the device's format and queued, a new one clearing whatever
// was still queued. Without an audio device the game goes on silently.
#pragma once

namespace murlo::sdl {

void open_audio();
void close_audio();

// Play the sound file of that name (from the working directory, else the
// program's ../share/murlo), cutting off any sound playing, even when it
// cannot be played. What is wrong with a file that cannot be played as it
// is goes to stderr, once for each name.
void play_sound_file(const char* name);
// Silence whatever plays.
void silence();
// Hold the sound where it is while the game is paused, or let it go on.
void pause_sound(bool paused);

}  // namespace murlo::sdl
