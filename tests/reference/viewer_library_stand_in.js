// Stands in for the viewer library in the whole-output reference runs.
