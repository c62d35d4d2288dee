/* The smallest Windows program, for the signing tests to sign. */
int main(void) { return 0; }
