// The library velto_map_page carries only Qt resources (the map page and its
// map library); this file gives the static library one object of its own.
namespace velto {
const char* MapPageResourceName() {
    return ":/html/194.html";
}
}  // namespace velto
