require 'minitest/autorun'
require 'tmpdir'

# The entity side of SketchUp's Ruby API as hostsim provides it: ids and deleted entities,
# geometry and its topology, groups, components and images, attributes, the definition list,
# and the model's identity.
class TestEntities < Minitest::Test
  def setup
    Sketchup.file_new
    @model = Sketchup.active_model
    @entities = @model.entities
  end

  def square(entities, x, size = 10, z = 0)
    entities.add_face([x, 0, z], [x + size, 0, z], [x + size, size, z], [x, size, z])
  end

  # --- ids and deleted entities -------------------------------------------------------------

  def test_ids_are_unique_stable_and_found_only_while_live
    face = square(@entities, 0)
    edge = face.edges.first
    ids = [face, *face.edges, *face.vertices].map(&:entityID)
    assert_equal ids.uniq, ids
    assert_equal face.entityID, face.persistent_id
    assert_equal [face, edge, nil], @model.find_entity_by_id(face.entityID, edge.entityID, 999_999)

    face.erase!
    assert_equal [true, false, nil], [face.deleted?, face.valid?, @model.find_entity_by_id(face.entityID)]
    assert_equal 'Face', face.typename, 'a deleted entity still knows what it was'
    assert_match(/\A#<Deleted Entity:0x\h+>\z/, face.inspect)
    error = assert_raises(TypeError) { face.area }
    assert_equal 'Reference to deleted Sketchup::Face', error.message

    Sketchup.undo
    refute face.deleted?
    assert_same face, @model.find_entity_by_id(face.entityID)
    assert_match(/\A#<Sketchup::Face:0x\h+ id=#{face.entityID}>\z/, face.to_s)
    square(@entities, 20)
    assert_operator @model.find_entity_by_id(ids.max + 1).entityID, :>, ids.max, 'new entities get new ids'
  end

  # An entity's parent, at every depth, is test_plugin_bridge's.
  def test_typenames_and_owners
    face = square(@entities, 0)
    group = @entities.add_group
    inside = square(group.entities, 0)
    definition = @model.definitions.add('Door')
    instance = @entities.add_instance(definition, [10, 0, 0])
    assert_equal %w[Face Edge Vertex Loop Group ComponentInstance ComponentDefinition Layer],
                 [face, face.edges.first, face.vertices.first, face.outer_loop, group, instance, definition,
                  face.layer].map(&:typename)
    assert_equal [@model, group.definition], [@entities.parent, group.entities.parent]
    assert_equal [@model] * 4, [face.model, inside.model, definition.model, group.entities.model]
    assert_equal @model.layers['Layer0'], inside.layer
    assert_nil @entities.active_section_plane
  end

  # --- faces, edges, vertices and loops -----------------------------------------------------

  def test_face_geometry_and_topology
    face = @entities.add_face([[0, 0, 5], [4, 0, 5], [4, 3, 5], [0, 3, 5]])
    assert_equal [12.0, [0.0, 0.0, 1.0, -5.0], Geom::Vector3d.new(0, 0, 1)], [face.area, face.plane, face.normal]
    assert_equal [[0, 0, 5], [4, 0, 5], [4, 3, 5], [0, 3, 5]], face.vertices.map { |v| v.position.to_a }
    loop = face.outer_loop
    assert_equal [[face.outer_loop], true, face, face.edges], [face.loops, loop.outer?, loop.face, loop.edges]
    first = loop.edges.first
    assert_equal [loop.vertices[0], loop.vertices[1], 4.0], [first.start, first.end, first.length]
    assert_equal [first.end, first.start, nil],
                 [first.other_vertex(first.start), first.other_vertex(first.end), first.other_vertex(loop.vertices[2])]
    assert_equal [[first.start, first.end], [face], 2], [first.vertices, loop.vertices[0].faces, loop.vertices[0].edges.size]
    assert_nil @entities.add_face([0, 0, 0], [1, 1, 1], [2, 2, 2]), 'collinear points make no face'
    assert_nil @entities.add_face([0, 0, 0], [1, 0, 0]), 'two points make no face'
    assert_equal 5, @entities.size
  end

  # The mesh of a holed face is capi_test's; here the loops a script sees.
  def test_a_face_drawn_inside_another_cuts_a_hole
    outer = square(@entities, 0)
    inner = @entities.add_face([3, 3, 0], [7, 3, 0], [7, 7, 0], [3, 7, 0])
    hole = outer.loops[1]
    assert_equal [2, false, inner.outer_loop.edges, 84.0, 8],
                 [outer.loops.size, hole.outer?, hole.edges, outer.area, outer.edges.size]
    assert_equal [outer, inner], hole.edges.first.faces.sort_by(&:entityID)
    inner.erase!
    assert_equal [2, 84.0], [outer.loops.size, outer.area], 'erasing the inner face leaves the hole'
    2.times { Sketchup.undo }
    assert_equal [1, 100.0], [outer.loops.size, outer.area], 'undo fills the hole again'
  end

  def test_erasing_an_edge_erases_the_faces_it_bounds
    left = square(@entities, 0)
    right = square(@entities, 10)
    shared = (left.edges & right.edges).first
    assert_equal [7, 2], [@entities.grep(Sketchup::Edge).size, @entities.grep(Sketchup::Face).size]
    @entities.erase_entities(shared)
    assert [left, right, shared].all?(&:deleted?)
    assert_equal 6, @entities.size
    assert(@entities.all? { |e| e.is_a?(Sketchup::Edge) && e.faces.empty? })
    @entities.erase_entities(@entities.to_a.first(2))
    assert_equal 4, @entities.size, 'several at once, given as an array'
  end

  def test_face_sides_materials_and_visibility
    face = square(@entities, 0)
    brick = @model.materials.add('Brick')
    face.material = 'Brick'
    face.back_material = nil
    before = face.vertices.map { |v| v.position.to_a }.sort
    face.reverse!
    assert_equal Geom::Vector3d.new(0, 0, -1), face.normal
    assert_equal [nil, brick], [face.material, face.back_material], 'reversing swaps the sides'
    assert_equal before, face.vertices.map { |v| v.position.to_a }.sort
    assert_raises(ArgumentError) { face.material = 'No such material' }
    face.visible = false
    assert_equal [true, false], [face.hidden?, face.visible?]
    face.layer = 'Walls'
    assert_equal 'Walls', face.layer.name
    face.layer = nil
    assert_equal 'Layer0', face.layer.name
  end

  def test_transform_entities_moves_vertices_and_placements
    face = square(@entities, 0)
    group = @entities.add_group
    @entities.transform_entities(Geom::Transformation.translation([0, 0, 7]), face, group)
    assert_equal [[7.0] * 4, [0, 0, 7]], [face.vertices.map { |v| v.position.z }, group.transformation.origin.to_a]
    @entities.transform_entities([1, 0, 0], [face])
    assert_equal [1, 0, 7], face.outer_loop.vertices.first.position.to_a
  end

  # --- groups, components and images --------------------------------------------------------

  def test_groups_and_instances_are_placements_of_definitions
    group = @entities.add_group
    group.name = 'Porch'
    group.transform!(Geom::Transformation.translation([1, 2, 3]))
    group.transform!(Geom::Transformation.translation([1, 0, 0]))
    assert_equal ['Porch', [2, 2, 3], true], [group.name, group.transformation.origin.to_a, group.definition.group?]
    assert_same group.definition.entities, group.entities

    door = @model.definitions.add('Door')
    door.behavior.cuts_opening = true
    door.behavior.always_face_camera = true
    assert_equal [true, true], [door.behavior.cuts_opening?, door.behavior.always_face_camera?]
    Sketchup.undo
    assert_equal [true, false], [door.behavior.cuts_opening?, door.behavior.always_face_camera?]

    wall = @entities.add_face([0, 0, 0], [0, 100, 0], [0, 100, 100], [0, 0, 100])
    instance = @entities.add_instance(door, Geom::Transformation.translation([0, 10, 0]))
    instance.glued_to = wall
    assert_equal wall, instance.glued_to
    instance.glued_to = nil
    assert_nil instance.glued_to
    window = @model.definitions.add('Window')
    instance.definition = window
    assert_equal [[], [instance]], [door.instances, window.instances]
    assert_raises(ArgumentError) { instance.definition = group.definition }
    door.name = 'Front door'
    assert_equal 'Front door', door.name
    assert_match(/\A\h{8}-\h{4}-\h{4}-\h{4}-\h{12}\z/, door.guid)
  end

  def test_count_used_instances_follows_nesting
    window = @model.definitions.add('Window')
    house = @model.definitions.add('House')
    2.times { |i| house.entities.add_instance(window, [i * 10, 0, 0]) }
    3.times { |i| @entities.add_instance(house, [i * 100, 0, 0]) }
    @model.definitions.add('Unused').entities.add_instance(window, [0, 0, 0])
    assert_equal [3, 6, 3, 3], [window.count_instances, window.count_used_instances,
                                house.count_instances, house.count_used_instances]
  end

  def test_images_are_placements_of_an_image_definition
    path = File.join(Dir.mktmpdir('hostsim'), 'plan.ppm')
    File.binwrite(path, "P6\n3 2\n255\n" + ([200] * 18).pack('C*'))
    image = @entities.add_image(path, [5, 6, 0], 30)
    assert_equal [30.0, 20.0, [5, 6, 0], path, 'Image'], [image.width, image.height, image.origin.to_a, image.path, image.typename]
    assert_equal Geom::Vector3d.new(0, 0, 1), image.normal
    assert image.definition.image?
    assert_includes @model.definitions.to_a, image.definition
    texture = image.definition.entities.grep(Sketchup::Face).first.material.texture
    assert_equal [3, 2], [texture.image_width, texture.image_height]
    tall = @entities.add_image(path, [0, 0, 0], 30, 45)
    assert_equal [30.0, 45.0], [tall.width, tall.height]
    assert_nil @entities.add_image(File.join(File.dirname(path), 'missing.png'), [0, 0, 0], 10)
  end

  # --- collections --------------------------------------------------------------------------

  def test_definition_list
    chair = @model.definitions.add('Chair')
    group = @entities.add_group
    assert_equal 'Chair#1', @model.definitions.add('Chair').name
    defs = @model.definitions
    assert_equal [3, 3, 3], [defs.size, defs.length, defs.count]
    assert_equal [chair, chair, chair, group.definition, nil, nil],
                 [defs[0], defs['Chair'], defs[chair.guid], defs.at(1), defs['Table'], defs[7]]
    assert_equal [false, true], defs.to_a.first(2).map(&:group?)
    assert_equal defs.to_a, defs.each.to_a
  end

  def test_entities_collection_lists_and_adds
    edges = @entities.add_edges([0, 0, 0], [5, 0, 0], [5, 0, 0], [5, 5, 0])
    assert_equal 2, edges.size, 'coincident neighbours make no edge'
    line = @entities.add_line([0, 0, 1], [0, 0, 9])
    assert_equal 8.0, line.length
    assert_nil @entities.add_line([1, 1, 1], [1, 1, 1])
    assert_equal [*edges, line], @entities.to_a
    assert_equal [3, 3, 3], [@entities.size, @entities.length, @entities.count]
    assert_equal [line, edges.first, nil], [@entities[-1], @entities[0], @entities[3]]
    seen = []
    @entities.each { |e| seen << e }
    assert_equal @entities.to_a, seen
    assert_raises(NotImplementedError) { @entities.add_group(line) }
  end

  def test_bad_arguments_raise_before_anything_changes
    face = square(@entities, 0)
    assert_raises(TypeError) { @entities.add_face([20, 0, 0], [30, 0, 0], 'corner') }
    assert_raises(TypeError) { @entities.erase_entities(face.edges.first, 'edge') }
    assert_raises(TypeError) { @entities.transform_entities(Geom::Transformation.new, face, @model) }
    assert_raises(TypeError) { @entities.add_instance(face, Geom::Transformation.new) }
    assert_equal [5, false], [@entities.size, face.deleted?]
    Sketchup.undo
    assert_equal 0, @entities.size, 'the refused calls left nothing to undo but the face'
    Sketchup.redo
    face.erase!
    assert_raises(TypeError) { @entities.erase_entities([face]) }
  end

  # --- attributes ---------------------------------------------------------------------------

  def test_attributes_keep_their_types_and_are_undoable
    face = square(@entities, 0)
    assert_nil face.attribute_dictionaries
    values = { 'on' => true, 'off' => false, 'count' => 2**40, 'ratio' => 0.25, 'label' => 'Façade' }
    values.each { |key, value| assert_equal value, face.set_attribute('Korvan', key, value) }
    values.each { |key, value| assert_equal value, face.get_attribute('Korvan', key) }
    assert_equal Encoding::UTF_8, face.get_attribute('Korvan', 'label').encoding
    assert_equal %w[fallback fallback], [face.get_attribute('Korvan', 'missing', 'fallback'),
                                         face.get_attribute('Other', 'count', 'fallback')]
    dictionary = face.attribute_dictionary('Korvan')
    assert_equal ['Korvan', values.sort, 5], [dictionary.name, dictionary.to_a.sort, dictionary.size]
    assert_equal values.keys.sort, dictionary.keys.sort
    assert_equal [1, [dictionary]], [face.attribute_dictionaries.count, face.attribute_dictionaries.to_a]
    assert_same dictionary, face.attribute_dictionaries['Korvan']
    assert_nil face.attribute_dictionary('Other')
    assert_raises(TypeError) { face.set_attribute('Korvan', 'points', [1, 2]) }
    assert_equal 5, dictionary.size, 'a refused value changes nothing'

    dictionary['ratio'] = 0.5
    assert_equal 0.5, face.get_attribute('Korvan', 'ratio')
    Sketchup.undo
    assert_equal 0.25, dictionary['ratio']
    assert_equal 0.25, dictionary.delete_key('ratio')
    assert face.delete_attribute('Korvan', 'label')
    refute face.delete_attribute('Korvan', 'label')
    assert_equal %w[count off on], dictionary.keys.sort
    Sketchup.undo
    assert_equal 'Façade', dictionary['label']
    created = face.attribute_dictionary('Scratch', true)
    assert_equal [0, 2], [created.size, face.attribute_dictionaries.size]
    assert face.delete_attribute('Korvan')
    assert_equal 0, dictionary.size
  end

  # --- the model and the Sketchup module ----------------------------------------------------

  def test_model_identity_counts_operations_and_saving
    doc = @model.skpdoc(true)
    assert_kind_of Integer, doc
    assert_equal [doc, @model], [@model.skpdoc(true), Sketchup.active_model]
    square(@entities, 0)
    square(@entities.add_group.entities, 0)
    assert_equal [2, '', '', true], [@model.number_faces, @model.path, @model.title, @model.valid?]
    assert_equal [true, true], [@model.start_operation('A', true), @model.commit_operation]
    assert_equal [true, true], [@model.start_operation('B', true, false, false), @model.abort_operation]
    assert_raises(ArgumentError) { @model.save }
    path = File.join(Dir.mktmpdir('hostsim'), 'Barn.skp')
    @model.save_as(path)
    assert_equal ['Barn', path], [@model.title, @model.path]
    @model.save
    assert_equal path, @model.path

    Sketchup.file_new
    refute_equal doc, Sketchup.active_model.skpdoc(true)
    assert_equal doc, @model.skpdoc(true), 'an earlier model keeps its address'
  end

  def test_sketchup_module
    assert_equal ['17.3.116', 17_300_116, true], [Sketchup.version, Sketchup.version_number, Sketchup.is_pro?]
    refute Sketchup.send_action('noSuchAction:')
    assert Sketchup.send_action('selectMoveTool:')
    assert_equal 21_048, @model.tools.active_tool_id
    square(@entities, 0)
    assert Sketchup.send_action('editUndo:')
    assert_equal 0, @entities.size
  end
end
