// The program each layer's link check builds: nothing runs, but the layer's whole archive is
// linked with only the layers below it, so a call into a layer above is an undefined symbol.
int main() {
  return 0;
}
