// Keeps the library non-empty when no resource files exist yet.
namespace { [[maybe_unused]] const int resourcesAnchor = 0; }
