#include <sys/types.h>
#include <libgeom.h>
#include <memory>

#include "platform/common/inventory.h"
#include "platform/platform.h"

namespace {

struct tree_deleter {
    void operator()(gmesh *mesh) const { geom_deletetree(mesh); }
};

} // namespace

// The providers of the whole-disk and partition classes, in the tree's
// order. A read that fails part-way leaves what it had built in the mesh,
// so the mesh is handed back on every way out; an empty one costs nothing.
bool plat_partitions(std::vector<plat_partition> &out)
{
    out.clear();
    gmesh mesh{};
    std::unique_ptr<gmesh, tree_deleter> tree(&mesh);
    if (geom_gettree(&mesh) != 0)
        return false;
    gclass *cls;
    ggeom *geom;
    gprovider *prov;
    LIST_FOREACH(cls, &mesh.lg_class, lg_class)
    {
        if (!cls->lg_name || !disk_class(cls->lg_name))
            continue;
        LIST_FOREACH(geom, &cls->lg_geom, lg_geom)
        LIST_FOREACH(prov, &geom->lg_provider, lg_provider)
        out.push_back({prov->lg_name ? prov->lg_name : "", prov->lg_mediasize});
    }
    return true;
}
