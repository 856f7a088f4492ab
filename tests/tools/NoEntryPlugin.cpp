// A shared object that loads fine but is no plug-in: it exports neither
// VSTPluginMain nor main.
extern "C" __attribute__((visibility("default"))) int calverineNotAPlugin() {
    return 42;
}
