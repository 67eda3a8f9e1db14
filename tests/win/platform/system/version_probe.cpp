// A program that only carries a version resource (or none), for the version comparison tests.
int main() { return 0; }
