/* A small Windows program with the launcher's reserved place for its key,
   for the sealing tests to pin. */
volatile const unsigned char ktr_sealed_medium_pin[48] = {'K', 'T', 'R', '-', 'S', 'E', 'A', 'L',
                                                          'E', 'D', '-', 'P', 'I', 'N', ':', '1'};
int main(void) { return ktr_sealed_medium_pin[20]; }
