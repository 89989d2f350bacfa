/* Placeholder until the mixer code lands. */
__attribute__((visibility("default"))) double GetVolume(void) { return 0.0; }
__attribute__((visibility("default"))) void SetVolume(int percent) { (void)percent; }
