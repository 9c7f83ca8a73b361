// A script without any command, linked with the real viewer: it must end
// with status 0 without ever opening a window.
int main() { return 0; }
