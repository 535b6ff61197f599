#!/usr/bin/env python3
"""Writes sample.cachegrind: one request to a small PHP shop, profiled.

The request shows a product list: the front controller loads its
configuration (merged recursively), boots a container, routes the request
through a middleware stack (closures), loads products from a database,
renders a category menu (a recursive method) and a template per product
(includes), and flushes a session. Times are in steps of 10 ns and memory in
bytes, as current profilers write them, with compressed names and a final
summary line.

    python3 app/resources/make_sample.py > app/resources/sample.cachegrind
"""

import random
import re

APP = "/var/www/shop"
rng = random.Random(2026)


def defined_in(name):
    """The file that defines a function, as the profiler names it."""
    if name.startswith("php::"):
        return "php:internal"
    if name.startswith("{closure:"):
        return name[len("{closure:"):].rsplit(":", 1)[0]
    if "::/" in name:
        return name.split("::", 1)[1]
    if name == "{main}":
        return APP + "/public/index.php"
    cls = re.split(r"->|::", name)[0]
    return APP + "/src/" + cls[len("Shop\\"):].replace("\\", "/") + ".php"


LINES = {}


def defined_at(name):
    """A stable line for each function: where its body starts."""
    if name.startswith("php::") or "::/" in name or name == "{main}":
        return 0 if name.startswith("php::") else 1
    if name.startswith("{closure:"):
        return int(name.rsplit(":", 1)[1].split("-")[0])
    return LINES.setdefault(name, 12 + (sum(map(ord, name)) * 7) % 180)


class Call:
    def __init__(self, name, file, line, time_us, memory=0):
        # The caller's file and line are kept for readability of build();
        # the record names where the function itself is defined.
        del file, line
        self.name = name
        self.file = defined_in(name)
        self.line = defined_at(name)
        # Profiling slows PHP code down a few times; the database does not
        # notice.
        slowdown = 1 if "PDO" in name else 4
        self.self_time = int(time_us * slowdown * 100)  # 10 ns steps
        self.self_memory = memory
        self.children = []

    def add(self, *calls):
        self.children.extend(calls)
        return calls[-1] if calls else None


def php(name, line, time_us, memory=0):
    return Call("php::" + name, "php:internal", line, time_us, memory)


def jitter(value, spread=0.25):
    return value * (1.0 + rng.uniform(-spread, spread))


def merge_config(depth, line):
    call = Call("Shop\\Config\\Repository->merge", APP + "/src/Config/Repository.php", line, jitter(6), 2200 // (depth + 1))
    call.add(php("is_array", 58, jitter(0.4)))
    if depth < 3:
        for key in range(2):
            call.add(merge_config(depth + 1, 61))
    call.add(php("array_replace", 64, jitter(1.5), 640))
    return call


def autoload(cls, path):
    loader = Call("Shop\\Support\\ClassLoader->loadClass", APP + "/src/Support/ClassLoader.php", 427, jitter(4))
    find = loader.add(Call("Shop\\Support\\ClassLoader->findFile", APP + "/src/Support/ClassLoader.php", 429, jitter(5)))
    find.add(php("strtr", 496, jitter(0.5)), php("file_exists", 511, jitter(9)))
    loader.add(Call("include::" + APP + "/src/" + path, APP + "/src/Support/ClassLoader.php", 576, jitter(35), rng.randint(9000, 42000)))
    return loader


def render_menu(depth, category):
    node = Call("Shop\\View\\Menu->renderNode", APP + "/src/View/Menu.php", 33 if depth == 0 else 41, jitter(9), 1400)
    node.add(php("htmlspecialchars", 35, jitter(0.6), 96))
    if depth < 2:
        for child in range(3 if depth == 0 else 2):
            node.add(render_menu(depth + 1, category * 3 + child))
    node.add(php("implode", 44, jitter(1.2), 512))
    return node


def render_product(index):
    tpl = Call("include::" + APP + "/templates/product/card.php", APP + "/src/View/Renderer.php", 88, jitter(14), rng.randint(3000, 7000))
    price = tpl.add(Call("Shop\\Money\\Price->format", APP + "/templates/product/card.php", 12, jitter(3)))
    price.add(php("number_format", 27, jitter(1.1), 64))
    tpl.add(php("htmlspecialchars", 9, jitter(0.6), 128))
    tpl.add(php("htmlspecialchars", 15, jitter(0.6), 256))
    url = tpl.add(Call("Shop\\Routing\\UrlGenerator->generate", APP + "/templates/product/card.php", 18, jitter(7), 320))
    url.add(php("rawurlencode", 52, jitter(0.5), 64))
    url.add(php("strtr", 54, jitter(0.7), 96))
    if index % 4 == 0:
        badge = tpl.add(Call("Shop\\Catalog\\Product->isOnSale", APP + "/templates/product/card.php", 21, jitter(2)))
        badge.add(php("time", 71, jitter(0.3)))
    return tpl


def hydrate(index):
    hyd = Call("Shop\\Catalog\\ProductHydrator->hydrate", APP + "/src/Catalog/ProductRepository.php", 64, jitter(6), 900)
    hyd.add(Call("Shop\\Catalog\\Product->__construct", APP + "/src/Catalog/ProductHydrator.php", 22, jitter(2), 1100))
    hyd.add(Call("Shop\\Money\\Price::fromCents", APP + "/src/Catalog/ProductHydrator.php", 25, jitter(2), 420))
    return hyd


def build():
    index = APP + "/public/index.php"
    main = Call("{main}", index, 1, 180, 385000)

    main.add(Call("require_once::" + APP + "/vendor/autoload.php", index, 5, 210, 288000))
    main.add(php("spl_autoload_register", 6, 4, 1200))
    main.add(php("session_start", 8, 410, 22000))

    kernel = Call("Shop\\Kernel->__construct", index, 12, 18, 4200)
    main.add(autoload("Shop\\Kernel", "Kernel.php"), kernel)
    config = kernel.add(Call("Shop\\Config\\Loader->load", APP + "/src/Kernel.php", 31, 40, 6400))
    for name in ("app", "database", "cache", "routes"):
        config.add(Call("require::" + APP + "/config/" + name + ".php", APP + "/src/Config/Loader.php", 19, jitter(60), rng.randint(5000, 30000)))
    config.add(merge_config(0, 24))
    container = kernel.add(Call("Shop\\Container\\Container->build", APP + "/src/Kernel.php", 36, 55, 18000))
    for service in ("Routing\\Router", "Database\\Connection", "View\\Renderer", "Session\\Store", "Catalog\\ProductRepository"):
        container.add(autoload("Shop\\" + service, service.replace("\\", "/") + ".php"))
        factory = container.add(Call("{closure:" + APP + "/src/Container/Container.php:48-50}", APP + "/src/Container/Container.php", 77, jitter(4), 600))
        factory.add(php("array_key_exists", 49, jitter(0.4)))

    handle = Call("Shop\\Kernel->handle", index, 15, 22, 2600)
    main.add(handle)
    request = handle.add(Call("Shop\\Http\\Request::fromGlobals", APP + "/src/Kernel.php", 52, 12, 3100))
    request.add(php("parse_url", 31, 2.5, 512), php("explode", 33, 1.2, 256))

    pipeline = Call("Shop\\Http\\Pipeline->process", APP + "/src/Kernel.php", 58, 8, 900)
    handle.add(pipeline)
    layer = pipeline
    for middleware in ("StartSession", "VerifyCsrfToken", "ResolveLocale"):
        step = layer.add(Call("{closure:" + APP + "/src/Http/Pipeline.php:27-31}", APP + "/src/Http/Pipeline.php", 40, jitter(3), 300))
        mw = step.add(Call("Shop\\Http\\Middleware\\" + middleware + "->handle", APP + "/src/Http/Pipeline.php", 29, jitter(9), 700))
        if middleware == "VerifyCsrfToken":
            mw.add(php("hash_equals", 44, 1.1))
        if middleware == "ResolveLocale":
            mw.add(php("locale_accept_from_http", 21, 16, 2048))
        layer = mw

    route = layer.add(Call("Shop\\Routing\\Router->dispatch", APP + "/src/Http/Middleware/ResolveLocale.php", 30, 26, 1500))
    for pattern in range(7):
        route.add(php("preg_match", 66, jitter(2.2), 64))
    controller = route.add(Call("Shop\\Controller\\CatalogController->listAction", APP + "/src/Routing/Router.php", 81, 35, 5200))

    repo = controller.add(Call("Shop\\Catalog\\ProductRepository->findByCategory", APP + "/src/Controller/CatalogController.php", 24, 28, 3400))
    connect = repo.add(Call("Shop\\Database\\Connection->connect", APP + "/src/Catalog/ProductRepository.php", 40, 9, 800))
    connect.add(php("PDO->__construct", 37, 4150, 41000))
    query = repo.add(Call("Shop\\Database\\Connection->select", APP + "/src/Catalog/ProductRepository.php", 47, 14, 1200))
    query.add(php("PDO->prepare", 58, 190, 3600))
    query.add(php("PDOStatement->execute", 59, 18600, 2200))
    query.add(php("PDOStatement->fetchAll", 60, 2450, 186000))
    products = 24
    mapper = repo.add(php("array_map", 52, 28, 9400))
    for index_ in range(products):
        mapper.add(Call("{closure:" + APP + "/src/Catalog/ProductRepository.php:52-54}", APP + "/src/Catalog/ProductRepository.php", 52, jitter(2), 200))
        mapper.children[-1].add(hydrate(index_))

    count = controller.add(Call("Shop\\Catalog\\ProductRepository->countByCategory", APP + "/src/Controller/CatalogController.php", 26, 8, 400))
    cq = count.add(Call("Shop\\Database\\Connection->select", APP + "/src/Catalog/ProductRepository.php", 71, 10, 700))
    cq.add(php("PDO->prepare", 58, 120, 1800))
    cq.add(php("PDOStatement->execute", 59, 6100, 900))
    cq.add(php("PDOStatement->fetchAll", 60, 40, 512))

    view = controller.add(Call("Shop\\View\\Renderer->render", APP + "/src/Controller/CatalogController.php", 31, 40, 6000))
    layout = view.add(Call("include::" + APP + "/templates/layout.php", APP + "/src/View/Renderer.php", 70, 60, 14000))
    layout.add(php("htmlspecialchars", 7, 0.7, 128))
    menu = layout.add(Call("Shop\\View\\Menu->render", APP + "/templates/layout.php", 22, 12, 2100))
    menu.add(render_menu(0, 0))
    body = layout.add(Call("include::" + APP + "/templates/catalog/list.php", APP + "/templates/layout.php", 31, 45, 9000))
    for i in range(products):
        body.add(render_product(i))
    body.add(Call("Shop\\View\\Paginator->links", APP + "/templates/catalog/list.php", 40, 30, 2600))
    layout.add(Call("include::" + APP + "/templates/footer.php", APP + "/templates/layout.php", 44, 38, 3800))
    view.add(php("ob_get_clean", 95, 11, -4096))

    response = handle.add(Call("Shop\\Http\\Response->send", APP + "/src/Kernel.php", 63, 15, 600))
    for header in range(4):
        response.add(php("header", 48, jitter(1.5)))
    response.add(php("echo", 52, 85))

    shutdown = Call("Shop\\Session\\Store->save", index, 19, 20, -1800)
    main.add(shutdown)
    shutdown.add(php("serialize", 64, 32, 2400))
    shutdown.add(php("file_put_contents", 66, 1350, -512))
    return main


def main():
    root = build()
    files, functions = {}, {}

    def ref(table, key):
        if key in table:
            return "(%d)" % table[key]
        table[key] = len(table) + 1
        return "(%d) %s" % (table[key], key)

    # Post-order: every callee's record before its caller's. Iterative, so that
    # depth is no concern.
    order, stack = [], [(root, False)]
    while stack:
        call, done = stack.pop()
        if done:
            order.append(call)
            continue
        stack.append((call, True))
        for child in reversed(call.children):
            stack.append((child, False))

    inclusive = {}
    for call in order:
        time = call.self_time + sum(inclusive[id(c)][0] for c in call.children)
        memory = call.self_memory + sum(inclusive[id(c)][1] for c in call.children)
        inclusive[id(call)] = (time, memory)

    out = ["version: 1", "creator: velotrace sample (PHP 8.3)", "cmd: " + APP + "/public/index.php",
           "part: 1", "positions: line", "", "events: Time_(10ns) Memory_(bytes)", ""]
    for call in order:
        out.append("fl=" + ref(files, call.file))
        out.append("fn=" + ref(functions, call.name))
        out.append("%d %d %d" % (call.line, call.self_time, call.self_memory))
        for child in call.children:
            out.append("cfl=" + ref(files, child.file))
            out.append("cfn=" + ref(functions, child.name))
            out.append("calls=1 0 0")
            time, memory = inclusive[id(child)]
            out.append("%d %d %d" % (child.line, time, memory))
        out.append("")
    total_time, _ = inclusive[id(root)]
    peak = 2 * 1024 * 1024 + sum(max(c.self_memory, 0) for c in order)
    out.append("summary: %d %d" % (total_time, peak))
    print("\n".join(out))


if __name__ == "__main__":
    main()
