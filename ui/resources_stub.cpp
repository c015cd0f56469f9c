// Keeps the resource object library non-empty while no pictures are compiled in.
