// Placeholder until the platform layer lands; replaced in this same change.
int main() { return 0; }
