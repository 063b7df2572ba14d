require 'minitest/autorun'
require 'event_recorder'
require 'tmpdir'

# The order in which SketchUp 2017 reports edits to observers of the model, its entities
# collections and its materials, which the plug-in's change routing depends on; and the same
# edits with the newer order, where element events follow the commit.
class TestObservers < Minitest::Test
  def setup
    Sketchup.file_new
    @model = Sketchup.active_model
    @entities = @model.entities
    @log = EventRecorder.new
    @model.add_observer(@log)
    @entities.add_observer(@log)
    @model.materials.add_observer(@log)
    @model.definitions.add_observer(@log)
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

  # --- drawing, editing, erasing -----------------------------------------------------------

  def test_drawing_faces_reports_each_new_edge_then_the_face_inside_the_bracket
    @model.start_operation('Draw')
    first = square(@entities, 0)
    @model.commit_operation
    assert_equal [[:onTransactionStart, @model], *added(@entities, *first.outer_loop.edges, first),
                  [:onTransactionCommit, @model]], @log.events

    # A neighbour shares the edge x = 10: only its three new edges are added.
    @log.clear
    @model.start_operation('Draw neighbour')
    second = square(@entities, 10)
    @model.commit_operation
    shared = first.edges & second.edges
    assert_equal 1, shared.size
    assert_equal [[:onTransactionStart, @model], *added(@entities, *(second.outer_loop.edges - shared), second),
                  [:onTransactionCommit, @model]], @log.events
    assert_equal [first, second], shared.first.faces
  end

  def test_a_single_call_outside_an_operation_is_an_operation_of_its_own
    face = square(@entities, 0)
    assert_equal [[:onTransactionStart, @model], *added(@entities, *face.outer_loop.edges, face),
                  [:onTransactionCommit, @model]], @log.events

    @log.clear
    @model.start_operation('Nothing')
    @model.commit_operation
    assert_equal [[:onTransactionStart, @model], [:onTransactionEmpty, @model]], @log.events
  end

  def test_edge_flags_and_paint_report_the_element_they_change
    face = square(@entities, 0)
    edge = face.edges.first
    brick = @model.materials.add('Brick')
    @log.clear

    edge.soft = true
    edge.smooth = true
    edge.hidden = true
    face.material = brick
    face.back_material = 'Brick'
    modified = ->(item) { [[:onTransactionStart, @model], [:onElementModified, @entities, item], [:onTransactionCommit, @model]] }
    assert_equal modified[edge] * 3 + modified[face] * 2, @log.events
    assert_equal [true, true, true, false], [edge.soft?, edge.smooth?, edge.hidden?, edge.visible?]
    assert_equal [brick, brick], [face.material, face.back_material]

    # Setting what is already set changes nothing and reports nothing.
    @log.clear
    edge.soft = true
    face.material = brick
    assert_empty @log.events
  end

  def test_material_attributes_report_a_material_change_and_their_undo
    brick = @model.materials.add('Brick')
    @log.clear
    brick.set_attribute('Korvan', 'roughness', 0.25)
    assert_equal [[:onTransactionStart, @model], [:onMaterialChange, @model.materials, brick],
                  [:onTransactionCommit, @model]], @log.events

    @log.clear
    Sketchup.undo
    assert_equal [[:onMaterialUndoRedo, @model.materials, brick], [:onTransactionUndo, @model]], @log.events
    assert_nil brick.get_attribute('Korvan', 'roughness')
  end

  def test_erasing_a_group_reports_its_id_and_undo_brings_the_same_object_back
    group = @entities.add_group
    square(group.entities, 0)
    @log.clear

    group.erase!
    assert_equal [[:onTransactionStart, @model], [:onElementRemoved, @entities, group.entityID],
                  [:onTransactionCommit, @model]], @log.events
    assert group.deleted?

    @log.clear
    Sketchup.undo
    assert_equal [*added(@entities, group), [:onTransactionUndo, @model]], @log.events
    refute group.deleted?
    assert_equal [group], @entities.to_a
  end

  # --- abort, undo and redo -----------------------------------------------------------------

  def test_an_aborted_operation_reports_its_edits_reverted_then_the_abort
    @model.start_operation('Draw')
    face = square(@entities, 0)
    edges = face.outer_loop.edges
    @log.clear
    @model.abort_operation

    # Undone in reverse: the face, then its edges from the last made to the first.
    assert_equal [*removed(@entities, face, *edges.reverse), [:onTransactionAbort, @model]], @log.events
    assert_equal 0, @entities.size
    assert face.deleted?
    @log.clear
    Sketchup.undo
    assert_empty @log.events, 'an aborted operation leaves nothing to undo'
  end

  def test_undo_reports_element_events_outside_any_bracket_and_redo_only_its_end
    face = square(@entities, 0)
    edges = face.outer_loop.edges
    ids = [face, *edges].map(&:entityID)
    @log.clear

    assert Sketchup.undo
    assert_equal [*removed(@entities, face, *edges.reverse), [:onTransactionUndo, @model]], @log.events
    assert_equal [nil] * 5, @model.find_entity_by_id(ids)

    @log.clear
    assert Sketchup.send_action('editRedo:')
    assert_equal [[:onTransactionRedo, @model]], @log.events
    assert_equal [face, *edges], @model.find_entity_by_id(ids)
    assert_equal ids, [face, *edges].map(&:entityID), 'ids survive undo and redo'
    refute Sketchup.redo, 'nothing left to redo'
  end

  def test_a_new_operation_after_undo_drops_the_redo
    square(@entities, 0)
    Sketchup.undo
    square(@entities, 20)
    @log.clear
    refute Sketchup.redo
    assert_empty @log.events
  end

  # --- newer SketchUp: element events after the commit --------------------------------------

  def test_deferred_element_events_follow_the_commit
    HostSim.defer_element_events = true
    assert HostSim.defer_element_events
    @model.start_operation('Draw')
    face = square(@entities, 0)
    edges = face.outer_loop.edges
    assert_equal [[:onTransactionStart, @model]], @log.events, 'nothing before the commit'
    @model.commit_operation
    assert_equal [[:onTransactionStart, @model], [:onTransactionCommit, @model], *added(@entities, *edges, face)],
                 @log.events

    # An aborted operation had announced nothing, so it reverts silently.
    @log.clear
    @model.start_operation('Draw more')
    square(@entities, 20)
    @model.abort_operation
    assert_equal [[:onTransactionStart, @model], [:onTransactionAbort, @model]], @log.events

    # Undo and redo report as before.
    @log.clear
    Sketchup.undo
    assert_equal [*removed(@entities, face, *edges.reverse), [:onTransactionUndo, @model]], @log.events
    @log.clear
    Sketchup.redo
    assert_equal [[:onTransactionRedo, @model]], @log.events
  end

  def test_the_deferred_order_belongs_to_the_model_it_was_set_on
    HostSim.defer_element_events = true
    Sketchup.file_new
    refute HostSim.defer_element_events, 'a new model starts in the 2017 order'
  end

  # --- editing inside a group ----------------------------------------------------------------

  def test_editing_inside_a_group_reports_through_the_groups_own_entities
    group = @entities.add_group
    inner = group.entities
    inner.add_observer(@log)
    @log.clear

    @model.active_path = [group]
    assert_equal [[:onTransactionStart, @model], [:onActivePathChanged, @model], [:onTransactionCommit, @model]],
                 @log.events
    assert_same inner, @model.active_entities

    @log.clear
    face = square(@model.active_entities, 0)
    assert_equal [[:onTransactionStart, @model], *added(inner, *face.outer_loop.edges, face),
                  [:onTransactionCommit, @model]], @log.events
    assert_equal group.definition, face.parent
    assert_equal [group], @entities.to_a, 'nothing was added to the model itself'
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
    assert_equal [[:onTransactionStart, @model], [:onComponentAdded, @model.definitions, copy],
                  [:onElementModified, @entities, second], [:onTransactionCommit, @model]], @log.events
    assert_equal ['Chair#1', 5, [first], [second]], [copy.name, copy.entities.size, chair.instances, copy.instances]

    @log.clear
    first.make_unique
    assert_equal chair, first.definition, 'an instance that is already the only one keeps its definition'
    assert_empty @log.events
  end

  # --- editing context ----------------------------------------------------------------------

  def test_active_path_close_active_and_undo_reopening_the_context
    outer = @entities.add_group
    outer.transformation = Geom::Transformation.translation([100, 0, 0])
    inner = outer.entities.add_group
    inner.transformation = Geom::Transformation.scaling(2)
    assert_nil @model.active_path
    assert @model.edit_transform.identity?

    @model.active_path = [outer, inner]
    assert_equal [outer, inner], @model.active_path
    assert_equal [2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 100, 0, 0, 1], @model.edit_transform.to_a
    assert_raises(ArgumentError) { @model.active_path = [inner] }

    @log.clear
    assert @model.close_active
    assert_equal [outer], @model.active_path
    assert_equal Geom::Transformation.translation([100, 0, 0]), @model.edit_transform
    assert_equal [[:onTransactionStart, @model], [:onActivePathChanged, @model], [:onTransactionCommit, @model]],
                 @log.events

    @log.clear
    Sketchup.undo
    assert_equal [outer, inner], @model.active_path, 'undo reopens the closed context'
    assert_equal [[:onActivePathChanged, @model], [:onTransactionUndo, @model]], @log.events

    assert @model.close_active
    assert @model.close_active
    assert_nil @model.active_path
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
