# The demo: opens a model in the SketchUp stand-in and prints what it holds.
#   ./run demo               the built-in sample house
#   ./run demo FILE          a file in a common exchange format (OBJ, COLLADA, glTF, ...)
path = ARGV[0]
model = path ? Sketchup.open_file(path) : HostSim.open_sample_house
summary = HostSim.summary(model)

puts "Model: #{path || 'built-in sample house'}"
puts
puts "Entities by type (the model and every definition):"
%i[faces edges groups component_instances images].each do |kind|
  puts format("  %-22s %8d", kind.to_s.tr('_', ' '), summary[kind])
end
puts format("  %-22s %8d", "triangles as drawn", summary[:triangles])
puts format("  %-22s %8d", "  of which shown", summary[:visible_triangles])
puts

puts "Materials (#{model.materials.size}):"
kinds = %w[colored textured colorized]
model.materials.each do |m|
  extra = []
  extra << "alpha #{m.alpha.round(2)}" if m.alpha < 1.0
  extra << "texture #{m.texture.image_width}x#{m.texture.image_height}" if m.texture
  dict = m.attribute_dictionary("Korvan Material Settings")
  extra << "library id #{dict['KorvanLibraryId']}" if dict && dict['KorvanLibraryId']
  puts format("  %-24s %-10s %s", m.name, kinds[m.materialType], extra.join(', '))
end
puts

puts "Layers (#{model.layers.size}):"
model.layers.each { |l| puts format("  %-24s %s", l.name, l.visible? ? 'visible' : 'hidden') }
puts

component_defs = model.definitions.reject { |d| d.group? || d.image? }
puts "Component definitions (#{component_defs.size}):"
component_defs.each do |d|
  extra = d.behavior.cuts_opening? ? ', cuts an opening' : ''
  puts format("  %-24s placed %d time(s)%s", d.name, d.instances.size, extra)
end
puts

puts "Scenes (#{model.pages.size}):"
model.pages.each do |p|
  puts format("  %-24s hides %d entit%s", p.name, p.hidden_entities.size, p.hidden_entities.size == 1 ? 'y' : 'ies')
end
