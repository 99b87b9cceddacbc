// A stand-in for the WinHelp stub Windows Vista and later ship under the
// viewer's name: a program that does nothing, with the stub's description
// in its version resource, for the help's choice of viewer.
int main() { return 0; }
