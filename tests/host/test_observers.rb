require 'minitest/autorun'
require 'event_recorder'
require 'tmpdir'

# How SketchUp reports edits to observers of the model, its entities collections, its materials
# and its pages, which the plug-in's change routing depends on. Every case runs in both orders:
# current SketchUp (element events after onTransactionCommit; undo and redo announced first,
# then what they changed) and SketchUp 2017-18 (element events inside the bracket; an undo's
# events before onTransactionUndo; a redo only onTransactionRedo). In both, nothing is heard
# while an operation is open.
module ObserverCases
  def setup
    Sketchup.file_new
    HostSim.defer_element_events = current_order?
    @model = Sketchup.active_model
    @entities = @model.entities
    @log = EventRecorder.new
    [@model, @entities, @model.materials, @model.definitions, @model.layers, @model.pages].each do |target|
      target.add_observer(@log)
    end
    @errors_before = HostSim.observer_errors.size
  end

  def teardown
    assert_equal @errors_before, HostSim.observer_errors.size, 'an observer raised'
  end

  def square(entities, x, size = 10, z = 0)
    entities.add_face([x, 0, z], [x + size, 0, z], [x + size, size, z], [x, size, z])
  end

  def added(entities, *items)
    items.map { |item| [:onElementAdded, entities, item] }
  end

  def removed(entities, *items)
    items.map { |item| [:onElementRemoved, entities, item.entityID] }
  end

  def modified(entities, *items)
    items.map { |item| [:onElementModified, entities, item] }
  end

  # What observers hear when an operation with these events commits.
  def committed(*events)
    ending = [:onTransactionCommit, @model]
    current_order? ? [[:onTransactionStart, @model], ending, *events] : [[:onTransactionStart, @model], *events, ending]
  end

  def undone(*events)
    ending = [:onTransactionUndo, @model]
    current_order? ? [ending, *events] : [*events, ending]
  end

  # 2017-18 said nothing about what a redo applied again.
  def redone(*events)
    [[:onTransactionRedo, @model], *(current_order? ? events : [])]
  end

  # --- drawing, editing, erasing -----------------------------------------------------------

  def test_drawing_is_heard_only_at_the_commit_and_a_neighbour_reports_only_its_new_edges
    @model.start_operation('Draw')
    first = square(@entities, 0)
    @model.selection.add(first)
    assert_empty @log.events, 'nothing, not even the start, while the operation is open'
    @model.commit_operation
    assert_equal committed(*added(@entities, *first.outer_loop.edges, first)), @log.events

    @log.clear
    second = square(@entities, 10)
    shared = first.edges & second.edges
    assert_equal 1, shared.size
    assert_equal committed(*added(@entities, *(second.outer_loop.edges - shared), second)), @log.events
    assert_equal [first, second], shared.first.faces

    @log.clear
    @model.start_operation('Nothing')
    @model.commit_operation
    assert_equal [[:onTransactionStart, @model], [:onTransactionEmpty, @model]], @log.events
  end

  def test_what_one_operation_added_and_changed_arrives_as_it_ended
    seen = []
    probe = Object.new
    probe.define_singleton_method(:onElementAdded) do |_entities, entity|
      seen << [entity.class, entity.deleted?, (entity.material&.name unless entity.deleted?)]
    end
    @entities.add_observer(probe)
    brick = @model.materials.add('Brick')
    @log.clear

    @model.start_operation('Draw and erase')
    gone = @entities.add_edges([0, 0, 0], [0, 0, 50]).first
    gone.erase!
    painted = @entities.add_group
    painted.material = brick
    @model.commit_operation
    assert_equal [[Sketchup::Edge, true, nil], [Sketchup::Group, false, 'Brick']], seen
    assert_equal committed(*added(@entities, gone), [:onElementRemoved, @entities, gone.entityID],
                           [:onComponentAdded, @model.definitions, painted.definition], *added(@entities, painted),
                           *modified(@entities, painted)), @log.events
  ensure
    @entities.remove_observer(probe)
  end

  def test_edge_flags_and_paint_report_the_element_they_change
    face = square(@entities, 0)
    edge = face.edges.first
    brick = @model.materials.add('Brick')
    @log.clear

    edge.soft = true
    edge.hidden = true
    face.material = brick
    face.back_material = 'Brick'
    assert_equal committed(*modified(@entities, edge)) * 2 + committed(*modified(@entities, face)) * 2, @log.events
    assert_equal [true, true, false], [edge.soft?, edge.hidden?, edge.visible?]
    assert_equal [brick, brick], [face.material, face.back_material]

    # Setting what is already set changes nothing and reports nothing.
    @log.clear
    edge.soft = true
    face.material = brick
    assert_empty @log.events
  end

  # An attribute, the colour and the opacity alike; each undo gives back what its edit replaced.
  # Push/pull stretches the faces around the pushed one without a word about them.
  def test_push_pull_reports_the_pushed_face_alone
    @model.start_operation('Box')
    sides = [[0, 0, 10, 0], [10, 0, 10, 10], [10, 10, 0, 10], [0, 10, 0, 0]].map do |ax, ay, bx, by|
      @entities.add_face([ax, ay, 0], [bx, by, 0], [bx, by, 10], [ax, ay, 10])
    end
    top = @entities.add_face([0, 0, 10], [10, 0, 10], [10, 10, 10], [0, 10, 10])
    @model.commit_operation
    heights = -> { sides.map { |f| f.vertices.map { |v| v.position.z }.max } }
    @log.clear
    top.pushpull(4)
    assert_equal committed(*modified(@entities, top)), @log.events
    assert_equal [14.0] * 4, heights.call
    @log.clear
    Sketchup.undo
    assert_equal undone(*modified(@entities, top)), @log.events
    assert_equal [10.0] * 4, heights.call
    assert_raises(NotImplementedError) { square(@entities, 50).pushpull(1) }
  end

  def test_a_material_change_is_undone_and_redone_as_material_undo_redo
    brick = @model.materials.add('Brick')
    read = -> { [brick.get_attribute('Korvan', 'roughness'), brick.color.to_a, brick.alpha, brick.use_alpha?] }
    # The colour last: its undo keeps the opacity set before it.
    edits = [-> { brick.set_attribute('Korvan', 'roughness', 0.25) }, -> { brick.alpha = 0.25 }, -> { brick.color = 'red' }]
    edits.each do |edit|
      before = read.call
      @log.clear
      edit.call
      after = read.call
      assert_equal committed([:onMaterialChange, @model.materials, brick]), @log.events

      @log.clear
      Sketchup.undo
      assert_equal [undone([:onMaterialUndoRedo, @model.materials, brick]), before], [@log.events, read.call]
      @log.clear
      Sketchup.redo
      assert_equal [redone([:onMaterialUndoRedo, @model.materials, brick]), after], [@log.events, read.call]
    end
  end

  # --- abort, undo and redo -----------------------------------------------------------------

  def test_an_aborted_operation_delivers_what_it_queued_then_its_reversal
    @model.start_operation('Draw')
    face = square(@entities, 0)
    edges = face.outer_loop.edges
    @model.abort_operation

    made = added(@entities, *edges, face)
    reverted = removed(@entities, face, *edges.reverse)
    start = [:onTransactionStart, @model]
    ending = [:onTransactionAbort, @model]
    expected = current_order? ? [start, ending, *made, *reverted] : [start, *made, *reverted, ending]
    assert_equal expected, @log.events
    assert_equal 0, @entities.size
    assert face.deleted?
    @log.clear
    refute Sketchup.undo, 'an aborted operation leaves nothing to undo'
    assert_empty @log.events
  end

  def test_undo_reverts_then_reports_and_redo_applies_again
    face = square(@entities, 0)
    edges = face.outer_loop.edges
    ids = [face, *edges].map(&:entityID)
    @log.clear

    assert Sketchup.undo
    assert_equal undone(*removed(@entities, face, *edges.reverse)), @log.events
    assert_equal [nil] * 5, @model.find_entity_by_id(ids)

    @log.clear
    assert Sketchup.send_action('editRedo:')
    assert_equal redone(*added(@entities, *edges, face)), @log.events
    assert_equal [face, *edges], @model.find_entity_by_id(ids)
    refute Sketchup.redo, 'nothing left to redo'

    # A new operation after an undo drops the redo.
    Sketchup.undo
    square(@entities, 20)
    @log.clear
    refute Sketchup.redo
    assert_empty @log.events
  end

  def test_after_undo_and_redo_the_touched_entities_can_come_back_as_new_objects
    HostSim.fresh_objects_after_undo = true
    face = square(@entities, 0)
    old_id = face.entityID
    face.erase!
    @log.clear

    Sketchup.undo
    back = @model.find_entity_by_id(old_id)
    refute_same face, back
    assert_equal [old_id, false, true], [back.entityID, back.deleted?, face.deleted?]
    assert_raises(TypeError) { face.material = nil }
    assert_includes @log.events, [:onElementAdded, @entities, back]

    back.material = @model.materials.add('Brick')
    Sketchup.undo
    @log.clear
    Sketchup.redo
    again = @model.find_entity_by_id(old_id)
    refute_same back, again
    assert back.deleted?
    assert_equal 'Brick', again.material.name
    assert_equal redone(*modified(@entities, again)), @log.events
  end

  # --- transparent operations ---------------------------------------------------------------

  def test_a_transparent_operation_is_one_undo_step_with_the_one_before_it
    @model.start_operation('Draw')
    face = square(@entities, 0)
    @model.commit_operation
    @model.start_operation('Paint', true, false, true)
    face.material = @model.materials.add('Brick')
    @model.commit_operation

    assert Sketchup.undo
    assert face.deleted?, 'one undo reverts both'
    refute Sketchup.undo
    assert Sketchup.redo
    assert_equal 'Brick', face.material.name

    # next_transparent makes the following operation join in the same way.
    @model.start_operation('Draw', true, true)
    other = square(@entities, 20)
    @model.commit_operation
    other.material = nil
    other.back_material = 'Brick'
    assert Sketchup.undo
    assert other.deleted?
    refute face.deleted?
  end

  def test_aborting_a_transparent_operation_aborts_the_one_it_joined
    @model.start_operation('Draw')
    face = square(@entities, 0)
    @model.commit_operation
    @log.clear
    @model.start_operation('Paint', true, false, true)
    face.material = @model.materials.add('Brick')
    @model.abort_operation

    assert face.deleted?
    assert_empty @model.materials.to_a
    assert_equal [:onTransactionAbort, @model], (current_order? ? @log.events[1] : @log.events.last)
    assert_includes @log.events, [:onElementRemoved, @entities, face.entityID]
    refute Sketchup.undo, 'the chain is gone from the undo stack'
  end

  # --- scenes and layers ----------------------------------------------------------------------

  def test_scenes_report_through_the_pages_and_are_not_undone
    pages = @model.pages
    first = pages.add('Front')
    assert_equal [[:onElementAdded, pages, first], [:onContentsModified, pages]], @log.events
    second = pages.add('Back')

    @log.clear
    pages.selected_page = second
    assert_equal [[:onContentsModified, pages]] * 2, @log.events

    # A scene that hides a layer switches it as the user would, and the next one switches it back.
    trees = @model.layers.add('Trees')
    second.set_visibility(trees, false)
    assert_equal [trees], second.layers
    pages.selected_page = first
    @log.clear
    pages.selected_page = second
    assert_equal [[:onLayerChanged, @model.layers, trees]] + [[:onContentsModified, pages]] * 2, @log.events
    refute trees.visible?
    @log.clear
    pages.selected_page = first
    assert_equal [[:onLayerChanged, @model.layers, trees]] + [[:onContentsModified, pages]] * 2, @log.events
    assert trees.visible?

    @log.clear
    assert pages.erase(first)
    assert_equal [[:onElementRemoved, pages, first]], @log.events
    assert first.deleted?
    assert_equal [second], pages.to_a
    Sketchup.undo
    assert_equal %w[Layer0], @model.layers.map(&:name), 'the undo takes back adding the layer, not the scenes'
    @log.clear
    refute Sketchup.undo, 'scenes are not on the undo stack'
    assert_empty @log.events
  end

  def test_layer_edits_are_undone
    walls = @model.layers.add('Walls')
    assert_equal committed([:onLayerAdded, @model.layers, walls]), @log.events
    walls.visible = false
    @log.clear
    Sketchup.undo
    assert_equal undone([:onLayerChanged, @model.layers, walls]), @log.events
    assert walls.visible?
    Sketchup.undo
    assert_equal %w[Layer0], @model.layers.map(&:name)
  end

  # --- editing inside a group ----------------------------------------------------------------

  def test_editing_inside_a_group_reports_through_the_groups_own_entities
    group = @entities.add_group
    inner = group.entities
    inner.add_observer(@log)
    @log.clear

    @model.active_path = [group]
    assert_equal committed([:onActivePathChanged, @model]), @log.events
    assert_same inner, @model.active_entities

    @log.clear
    face = square(@model.active_entities, 0)
    assert_equal committed(*added(inner, *face.outer_loop.edges, face)), @log.events
    assert_equal group.definition, face.parent
    assert_equal [group], @entities.to_a, 'nothing was added to the model itself'

    # Erased, the group is reported by its id alone: nothing of what it holds.
    @model.close_active
    @log.clear
    group.erase!
    assert_equal committed([:onElementRemoved, @entities, group.entityID]), @log.events
  end

  def test_make_unique_adds_a_definition_and_repoints_the_instance
    chair = @model.definitions.add('Chair')
    square(chair.entities, 0)
    first = @entities.add_instance(chair, Geom::Transformation.new)
    second = @entities.add_instance(chair, Geom::Transformation.translation([50, 0, 0]))
    @log.clear

    second.make_unique
    copy = second.definition
    refute_equal chair, copy
    assert_equal committed([:onComponentAdded, @model.definitions, copy], *modified(@entities, second)), @log.events
    assert_equal ['Chair#1', 5, [first], [second]], [copy.name, copy.entities.size, chair.instances, copy.instances]

    @log.clear
    first.make_unique
    assert_equal chair, first.definition, 'an instance that is already the only one keeps its definition'
    assert_empty @log.events
  end

  def test_active_path_close_active_and_undo_reopening_the_context
    outer = @entities.add_group
    outer.transformation = Geom::Transformation.translation([100, 0, 0])
    inner = outer.entities.add_group
    inner.transformation = Geom::Transformation.scaling(2)
    assert_nil @model.active_path
    assert @model.edit_transform.identity?

    @model.active_path = [outer, inner]
    assert_equal [2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 100, 0, 0, 1], @model.edit_transform.to_a
    assert_raises(ArgumentError) { @model.active_path = [inner] }

    @log.clear
    assert @model.close_active
    assert_equal [outer], @model.active_path
    assert_equal committed([:onActivePathChanged, @model]), @log.events

    @log.clear
    Sketchup.undo
    assert_equal [outer, inner], @model.active_path, 'undo reopens the closed context'
    assert_equal undone([:onActivePathChanged, @model]), @log.events

    assert @model.close_active
    assert @model.close_active
    refute @model.close_active, 'nothing left to close'
    assert_same @entities, @model.active_entities
  end

  # --- saving and the application -----------------------------------------------------------

  def test_save_gives_a_new_path_and_guid_and_reports_before_and_after
    path = File.join(Dir.mktmpdir('hostsim'), 'House.skp')
    square(@entities, 0)
    guid = @model.guid
    assert @model.modified?
    @log.clear

    assert @model.save(path)
    assert_equal [[:onPreSaveModel, @model], [:onPostSaveModel, @model]], @log.events
    assert_equal [path, 'House', false], [@model.path, @model.title, @model.modified?]
    refute_equal guid, @model.guid
    assert_match(/\A\h{8}-\h{4}-\h{4}-\h{4}-\h{12}\z/, @model.guid)
    assert File.exist?(path)

    # Modified follows the undo history relative to the saved state.
    square(@entities, 20)
    assert @model.modified?
    Sketchup.undo
    refute @model.modified?
    Sketchup.undo
    assert @model.modified?
  end
end

class TestObserversCurrentOrder < Minitest::Test
  include ObserverCases

  def current_order?
    true
  end

  def test_the_order_belongs_to_the_model_it_was_set_on
    assert HostSim.defer_element_events
    Sketchup.file_new
    refute HostSim.defer_element_events, 'a new model starts in the 2017-18 order'
    refute HostSim.fresh_objects_after_undo
  end

  def test_application_events_reach_observers_of_the_sketchup_module
    app = EventRecorder.new
    Sketchup.add_observer(app)
    HostSim.unload_extension('Korvan TwinLink')
    Sketchup.file_new
    fresh = Sketchup.active_model
    Sketchup.quit
    assert_equal [[:onUnloadExtension, 'Korvan TwinLink'], [:onNewModel, fresh], [:onQuit]], app.events
    refute_equal @model, fresh
  ensure
    Sketchup.remove_observer(app)
  end
end

class TestObservers2017Order < Minitest::Test
  include ObserverCases

  def current_order?
    false
  end
end
