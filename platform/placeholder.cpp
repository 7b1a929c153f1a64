// Placeholder until the folder has sources.
