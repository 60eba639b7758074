// Anchor source of the shared library; the code comes from the subsystem archives.
